#pragma once
// The sandbox machine Tavrin creates for itself: a Windows XP installation in Wine-prefix layout.
#include <filesystem>
#include <string>

namespace platform::machine_detail {

// Writes a complete new machine into `dir` (created when missing; must be empty). Nothing is
// left half-made at `dir`: the machine is built beside it and moved into place.
void create_sandbox(const std::filesystem::path& dir, const std::string& user_name);

// $USER made safe as a folder name, or "user".
std::string sandbox_user_name();

}  // namespace platform::machine_detail
