#pragma once
// The program lives inside the machine it works on, so logs and backups stay with that machine.
#include <array>
#include <filesystem>
#include <string_view>

namespace platform {
class Machine;

inline constexpr const char* kProgramFolder = "C:\\Program Files\\Orvane";

// Everything the program and its engine keep under HKEY_CURRENT_USER: profiles and settings, the
// engine's schedule and backups, the per-user options of the application "Orvane". On a Windows
// installation they are kept outside it, beside the program folder.
inline constexpr std::array<std::string_view, 3> kOwnUserKeys = {
    "Software\\lumarq3",
    "Software\\lumarq2",
    "Software\\VB and VBA Program Settings\\Orvane",
};

// Creates the program folder with skin (copied from skin_source when it differs), Logs,
// BackUp_dll and plugins. Safe to run on every start.
void install_program_folder(Machine& machine, const std::filesystem::path& skin_source);

}  // namespace platform
