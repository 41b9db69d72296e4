#pragma once
// A Windows installation seen from this computer: a mounted Windows partition, or a copy of one.
// Its folder is drive C: itself, and its names are found in any case, as Windows finds them.
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace platform::fs {

// The host path of folder\a\b\..., each name found as Windows would (the exact name, else one
// that differs only in case); nullopt when one of them is missing.
std::optional<std::filesystem::path> find_below(const std::filesystem::path& folder,
                                                std::initializer_list<std::string_view> names);

// Whether dir is the drive of a Windows installation: it holds WINDOWS\system32\config\SOFTWARE.
bool is_windows_installation(const std::filesystem::path& dir);

}  // namespace platform::fs
