#pragma once
// The environment a program of the machine's user starts with, built from the machine's registry
// the way Windows builds it at logon.
#include <optional>
#include <string>
#include <string_view>

#include "platform/machine/machine.h"
#include "platform/sys/environment.h"

namespace platform {

// SystemRoot, windir, SystemDrive, USERNAME, USERPROFILE, ALLUSERSPROFILE, ProgramFiles,
// CommonProgramFiles, APPDATA, LOCALAPPDATA from the registry, then the system-wide variables
// (HKLM\System\CurrentControlSet\Control\Session Manager\Environment), the user's own
// (HKCU\Environment) and the logon's (HKCU\Volatile Environment), each expanded against what came before.
sys::Environment user_environment(Machine& machine);

// sys::expand_environment_strings against the user's environment.
std::string expand_environment_strings(Machine& machine, std::string_view text);

// One of the user's shell folders by its registry name ("Personal", "My Music", ...), expanded
// against the user's environment; nullopt when the machine names none.
std::optional<std::string> shell_folder(Machine& machine, const sys::Environment& env, std::string_view name);

// The Windows folder ("C:\WINDOWS"): SystemRoot of the NT CurrentVersion key.
std::string windows_folder(Machine& machine);

}  // namespace platform
