#pragma once
// The environment a program of the machine's user starts with, built from the machine's registry
// the way Windows builds it at logon, and %VAR% expansion against it.
#include <map>
#include <string>
#include <string_view>

namespace platform {
class Machine;
}

namespace platform::sys {

// Variable names compare without regard to case, as on Windows.
struct NameLess {
    bool operator()(std::string_view a, std::string_view b) const;
    static bool equal(std::string_view a, std::string_view b);
    using is_transparent = void;
};
using Environment = std::map<std::string, std::string, NameLess>;

// SystemRoot, windir, SystemDrive, USERNAME, USERPROFILE, ALLUSERSPROFILE, ProgramFiles,
// CommonProgramFiles, APPDATA, LOCALAPPDATA from the registry, then the system-wide variables
// (HKLM\System\CurrentControlSet\Control\Session Manager\Environment), the user's own
// (HKCU\Environment) and the logon's (HKCU\Volatile Environment), each expanded against what came before.
Environment environment(Machine& machine);

// ExpandEnvironmentStrings: every %NAME% of a known variable is replaced; unknown names and a
// lone "%" stay as written.
std::string expand_environment_strings(std::string_view text, const Environment& environment);
std::string expand_environment_strings(Machine& machine, std::string_view text);

// The Windows folder ("C:\WINDOWS"): SystemRoot of the NT CurrentVersion key.
std::string windows_folder(Machine& machine);

}  // namespace platform::sys
