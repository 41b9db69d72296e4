#include "platform/sys/environment.h"

#include <algorithm>
#include <optional>

#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "platform/text/ascii_case.h"

namespace platform::sys {

namespace {

using registry::Root;

constexpr std::string_view kNtCurrentVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kProfileList = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr std::string_view kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr std::string_view kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view kSystemEnvironment = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::string_view kUserEnvironment = "Environment";
constexpr std::string_view kLogonEnvironment = "Volatile Environment";

bool is_text_type(uint32_t type) { return type == registry::type::Sz || type == registry::type::ExpandSz; }

// A string value of the registry, unexpanded; nullopt when missing, empty or not text.
std::optional<std::string> read_text(Machine& machine, Root root, std::string_view key, std::string_view name) {
    registry::Value value;
    if (machine.registry().query_value(root, key, name, value) != registry::Status::Ok) return std::nullopt;
    if (!is_text_type(value.type)) return std::nullopt;
    std::string text(value.data.begin(), value.data.end());
    if (size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    if (text.empty()) return std::nullopt;
    return text;
}

std::optional<std::string> expanded(const std::optional<std::string>& value, const Environment& env) {
    if (!value) return std::nullopt;
    return expand_environment_strings(*value, env);
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
        std::string text = expand_environment_strings(*value, env);
        auto existing = env.find(name);
        if (key == kUserEnvironment && NameLess::equal(name, "Path") && existing != env.end()) {
            existing->second += ";" + text;
        } else {
            env[name] = text;
        }
    }
}

}  // namespace

bool NameLess::operator()(std::string_view a, std::string_view b) const { return text::iless(a, b); }

bool NameLess::equal(std::string_view a, std::string_view b) { return text::iequals(a, b); }

std::string windows_folder(Machine& machine) {
    return read_text(machine, Root::LocalMachine, kNtCurrentVersion, "SystemRoot").value_or("C:\\WINDOWS");
}

Environment environment(Machine& machine) {
    Environment env;
    add_derived_variables(machine, env);
    add_environment_key(machine, Root::LocalMachine, kSystemEnvironment, env);
    add_environment_key(machine, Root::CurrentUser, kUserEnvironment, env);
    // What the logon itself recorded for this session comes last, as on Windows.
    add_environment_key(machine, Root::CurrentUser, kLogonEnvironment, env);
    return env;
}

std::string expand_environment_strings(std::string_view text, const Environment& env) {
    std::string result;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find('%', pos);
        size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            result.append(text.substr(pos));
            break;
        }
        result.append(text.substr(pos, open - pos));
        std::string_view name = text.substr(open + 1, close - open - 1);
        auto found = name.empty() ? env.end() : env.find(name);
        if (found != env.end()) {
            result += found->second;
        } else {
            result.append(text.substr(open, close - open + 1));
        }
        pos = close + 1;
    }
    return result;
}

std::string expand_environment_strings(Machine& machine, std::string_view text) {
    if (text.find('%') == std::string_view::npos) return std::string(text);
    return expand_environment_strings(text, environment(machine));
}

}  // namespace platform::sys
