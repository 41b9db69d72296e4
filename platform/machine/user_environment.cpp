#include "platform/machine/user_environment.h"

#include <algorithm>
#include <optional>

#include "platform/machine/registry_values.h"
#include "platform/registry/registry.h"

namespace platform {

using sys::Environment;
using sys::NameLess;

namespace {

using registry::Root;

constexpr std::string_view kNtCurrentVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kProfileList = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr std::string_view kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr std::string_view kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view kSystemEnvironment = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::string_view kUserEnvironment = "Environment";
constexpr std::string_view kLogonEnvironment = "Volatile Environment";

// A string value of the registry, unexpanded; nullopt when missing, empty or not text.
std::optional<std::string> read_text(Machine& machine, Root root, std::string_view key, std::string_view name) {
    auto text = machine_detail::read_string(machine.registry(), root, key, name);
    if (!text || text->empty()) return std::nullopt;
    return text;
}

std::optional<std::string> expanded(const std::optional<std::string>& value, const Environment& env) {
    if (!value) return std::nullopt;
    return sys::expand_environment_strings(*value, env);
}

void set_if(Environment& env, const std::string& name, const std::optional<std::string>& value) {
    if (auto text = expanded(value, env)) env[name] = *text;
}

// The variables Windows derives from the registry before it reads the environment keys.
void add_derived_variables(Machine& machine, Environment& env) {
    std::string windows = windows_folder(machine);
    env["SystemRoot"] = windows;
    env["windir"] = windows;
    env["SystemDrive"] = windows.substr(0, 2);
    env["USERNAME"] = machine.user_name();

    std::string profiles = expanded(read_text(machine, Root::LocalMachine, kProfileList, "ProfilesDirectory"), env)
                               .value_or(env["SystemDrive"] + "\\Documents and Settings");
    std::string own_profile_key = std::string(kProfileList) + "\\" + machine.registry().user_sid();
    env["USERPROFILE"] = expanded(read_text(machine, Root::LocalMachine, own_profile_key, "ProfileImagePath"), env)
                             .value_or(profiles + "\\" + env["USERNAME"]);
    env["HOMEDRIVE"] = env["USERPROFILE"].substr(0, 2);
    env["HOMEPATH"] = env["USERPROFILE"].substr(std::min<size_t>(2, env["USERPROFILE"].size()));

    // Newer systems name a ProgramData folder; older ones an "All Users" profile.
    if (auto program_data = read_text(machine, Root::LocalMachine, kProfileList, "ProgramData")) {
        set_if(env, "ALLUSERSPROFILE", program_data);
    } else {
        env["ALLUSERSPROFILE"] =
            profiles + "\\" + read_text(machine, Root::LocalMachine, kProfileList, "AllUsersProfile").value_or("All Users");
    }
    set_if(env, "ProgramFiles", read_text(machine, Root::LocalMachine, kCurrentVersion, "ProgramFilesDir"));
    set_if(env, "CommonProgramFiles", read_text(machine, Root::LocalMachine, kCurrentVersion, "CommonFilesDir"));
    set_if(env, "APPDATA", read_text(machine, Root::CurrentUser, kShellFolders, "AppData"));
    set_if(env, "LOCALAPPDATA", read_text(machine, Root::CurrentUser, kShellFolders, "Local AppData"));
}

// The values of one environment key; the user's Path is appended to the system's, as at logon.
void add_environment_key(Machine& machine, Root root, std::string_view key, Environment& env) {
    registry::Registry& reg = machine.registry();
    for (const std::string& name : reg.value_names(root, key)) {
        auto value = read_text(machine, root, key, name);
        if (!value) continue;
        std::string text = sys::expand_environment_strings(*value, env);
        auto existing = env.find(name);
        if (key == kUserEnvironment && NameLess::equal(name, "Path") && existing != env.end()) {
            existing->second += ";" + text;
        } else {
            env[name] = text;
        }
    }
}

}  // namespace

std::string windows_folder(Machine& machine) {
    return read_text(machine, Root::LocalMachine, kNtCurrentVersion, "SystemRoot").value_or("C:\\WINDOWS");
}

Environment user_environment(Machine& machine) {
    Environment env;
    add_derived_variables(machine, env);
    add_environment_key(machine, Root::LocalMachine, kSystemEnvironment, env);
    add_environment_key(machine, Root::CurrentUser, kUserEnvironment, env);
    // What the logon itself recorded for this session comes last, as on Windows.
    add_environment_key(machine, Root::CurrentUser, kLogonEnvironment, env);
    return env;
}

std::optional<std::string> shell_folder(Machine& machine, const Environment& env, std::string_view name) {
    return expanded(read_text(machine, Root::CurrentUser, kShellFolders, name), env);
}

std::string expand_environment_strings(Machine& machine, std::string_view text) {
    if (text.find('%') == std::string_view::npos) return std::string(text);
    return sys::expand_environment_strings(text, user_environment(machine));
}

}  // namespace platform
