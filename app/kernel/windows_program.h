#pragma once
// Starting a Windows program of the machine from a screen (a control panel applet, the updater):
// under Wine where the machine is a Wine prefix with Wine installed, the pointer busy until Wine
// has finished with it. Elsewhere the caller tells the user where to look instead.
#include <string>
#include <vector>

namespace app {

class Shell;

// Whether the machine can run the program `system_file` of its system folder ("rundll32.exe",
// "inetcpl.cpl"), or `system_file` "" for any program of its own.
bool can_run_windows_program(const std::string& system_file = "");

// Runs the command line and waits for it. When Wine cannot run it, the reason is a line in the log
// window and false is returned.
bool run_windows_program(Shell& shell, const std::vector<std::string>& command_line);

}  // namespace app
