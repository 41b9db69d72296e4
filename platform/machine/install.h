#pragma once
// The program lives inside the machine it works on, so logs and backups stay with that machine.
#include <filesystem>

namespace platform {
class Machine;

inline constexpr const char* kProgramFolder = "C:\\Program Files\\Orvane";

// Creates the program folder with skin (copied from skin_source when it differs), Logs,
// BackUp_dll and plugins. Safe to run on every start.
void install_program_folder(Machine& machine, const std::filesystem::path& skin_source);

}  // namespace platform
