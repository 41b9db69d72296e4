#pragma once
// --uninstall: takes the program out of a machine, so that a real Wine prefix is left as it was
// before the program first ran on it.
#include <string>

namespace platform {
class Machine;
}

namespace app::cli {

// Removes the program folder (logs, DLL backups, plug-ins), the engine classes registered under
// HKEY_CLASSES_ROOT (through DllUnregisterServer) and the program's and the engine's keys under
// HKEY_CURRENT_USER, then flushes. The machine must be current and locked. Returns what it did,
// in words for the user.
std::string uninstall_program(platform::Machine& machine);

}  // namespace app::cli
