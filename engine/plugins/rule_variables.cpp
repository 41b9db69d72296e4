#include "engine/plugins/rule_variables.h"

#include <algorithm>
#include <optional>

#include "platform/machine/machine.h"
#include "platform/machine/user_environment.h"
#include "platform/text/ascii_case.h"

namespace engine {

namespace {

using platform::sys::Environment;

std::optional<std::string> variable(const Environment& env, std::string_view name) {
    auto found = env.find(name);
    if (found == env.end() || found->second.empty()) return std::nullopt;
    return found->second;
}

// Each name's folder once, in the order given, leaving out the variables the machine lacks.
std::vector<std::string> variables(const Environment& env, std::initializer_list<std::string_view> names) {
    std::vector<std::string> folders;
    for (std::string_view name : names) {
        auto folder = variable(env, name);
        if (folder && std::none_of(folders.begin(), folders.end(),
                                   [&](const std::string& known) { return platform::sys::NameLess::equal(known, *folder); }))
            folders.push_back(*folder);
    }
    return folders;
}

}  // namespace

RuleVariables::RuleVariables() {
    platform::Machine& machine = platform::current_machine();
    const Environment env = platform::user_environment(machine);
    // Later versions keep the shared application data in ProgramData and name a Public profile;
    // Windows XP keeps it below the All Users profile.
    const bool later_layout = variable(env, "ProgramData") || variable(env, "PUBLIC");
    const std::string profile = variable(env, "USERPROFILE").value_or("");
    const std::string all_users = variable(env, "ALLUSERSPROFILE").value_or("");
    auto shell = [&](std::string_view name, std::string later, std::string xp) {
        if (auto folder = platform::shell_folder(machine, env, name)) return std::vector<std::string>{*folder};
        return std::vector<std::string>{later_layout ? std::move(later) : std::move(xp)};
    };
    auto set = [this](std::string_view name, std::vector<std::string> folders) {
        std::erase_if(folders, [](const std::string& folder) { return folder.empty(); });
        folders_[std::string(name)] = std::move(folders);
    };
    set("AppData", variables(env, {"APPDATA"}));
    set("LocalAppData", variables(env, {"LOCALAPPDATA"}));
    set("LocalLowAppData", {later_layout && !profile.empty() ? profile + "\\AppData\\LocalLow" : ""});
    set("ProgramFiles", variables(env, {"ProgramFiles", "ProgramW6432", "ProgramFiles(x86)"}));
    set("CommonProgramFiles", variables(env, {"CommonProgramFiles", "CommonProgramW6432", "CommonProgramFiles(x86)"}));
    const std::string program_data =
        later_layout ? variable(env, "ProgramData").value_or(all_users) : all_users + "\\Application Data";
    set("ProgramData", {all_users.empty() && !later_layout ? "" : program_data});
    folders_["CommonAppData"] = folders_["ProgramData"];
    const std::string documents = shell("Personal", profile + "\\Documents", profile + "\\My Documents").front();
    set("Documents", {documents});
    set("Music", shell("My Music", profile + "\\Music", documents + "\\My Music"));
    set("Pictures", shell("My Pictures", profile + "\\Pictures", documents + "\\My Pictures"));
    set("Video", shell("My Video", profile + "\\Videos", documents + "\\My Videos"));
    set("UserProfile", {profile});
    set("Public", {later_layout ? variable(env, "PUBLIC").value_or("") : all_users});
    set("WinDir", variables(env, {"windir"}));
    set("SystemDrive", variables(env, {"SystemDrive"}));
    set("Temp", variables(env, {"TEMP"}));
}

ExpandedPath RuleVariables::expand(std::string_view path) const {
    ExpandedPath expanded;
    expanded.paths.emplace_back();
    for (size_t at = 0; at < path.size();) {
        const size_t open = path.find('%', at);
        const size_t close = open == std::string_view::npos ? open : path.find('%', open + 1);
        if (close == std::string_view::npos) {
            for (std::string& text : expanded.paths) text += path.substr(at);
            break;
        }
        const std::string_view name = path.substr(open + 1, close - open - 1);
        auto found = folders_.find(name);
        if (found == folders_.end() || found->second.empty()) {
            expanded.unusable = "%" + std::string(name) + "% names no folder on this machine";
            expanded.paths.clear();
            return expanded;
        }
        std::vector<std::string> grown;
        for (const std::string& text : expanded.paths) {
            for (const std::string& folder : found->second)
                grown.push_back(text + std::string(path.substr(at, open - at)) + folder);
        }
        expanded.paths = std::move(grown);
        at = close + 1;
    }
    auto on_a_drive = [](const std::string& text) {
        return text.size() >= 2 && text[1] == ':' && platform::text::ascii_upper(text[0]) >= 'A' && platform::text::ascii_upper(text[0]) <= 'Z';
    };
    if (!std::all_of(expanded.paths.begin(), expanded.paths.end(), on_a_drive)) {
        expanded.unusable = "the path names no drive";
        expanded.paths.clear();
    }
    return expanded;
}

}  // namespace engine
