#pragma once
// Windows programs of a machine (control panel applets, uninstallers, the updater) run the only
// way they can here: under Wine, for a machine that is a Wine prefix, with Wine installed. Never
// through a Linux shell.
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/machine/machine.h"

namespace platform::shell {

// Wine cannot run the program: not installed, not a Wine prefix, or it could not be started.
class WineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True when the machine is a prefix Wine has set up (wineboot leaves ".update-timestamp") and
// `wine` and `wineserver` are on the PATH. Tavrin's own sandbox machine is not a Wine prefix.
bool wine_runs(const Machine& machine);

// Whether the machine's system folder holds `file` ("inetcpl.cpl"): Wine puts a stand-in there for
// each program and applet it has.
bool has_system_file(const Machine& machine, const std::string& file);

// Whether Wine would find the command line's program outside the machine's drives: a host path
// ("/bin/sh"), a path on a drive that maps out of the machine folder (a Wine prefix's "Z:"), or
// one a link takes out of it. Wine starts a host program natively, as a Linux program, so a stored
// command line naming one runs it outside every Windows rule. A bare name is looked up in the
// machine's own folders. Always false when the machine allows changes outside it.
bool starts_outside_machine(Machine& machine, const std::string& program);

// Runs the Windows command line ({"rundll32.exe", "shell32.dll,Control_RunDLL", "inetcpl.cpl,,0"})
// under Wine for the machine and returns the program's exit status. The program's registry
// changes are flushed first, the prefix's wineserver is waited for (it writes the hives when it
// ends), and the hives are read again after, when Wine changed them. WineError when Wine cannot run
// it, when the program starts outside the machine, and when the wineserver has not ended within
// `wineserver_limit` after the program (the hives are then read as Wine has written them so far).
int run_under_wine(Machine& machine, const std::vector<std::string>& command_line,
                   std::chrono::seconds wineserver_limit = std::chrono::seconds(30));

}  // namespace platform::shell
