#include "engine/plugins/entry_guard.h"

#include <algorithm>
#include <optional>

#include "engine/foundation/engine_folder.h"
#include "platform/fs/path_within.h"
#include "platform/machine/machine.h"
#include "platform/machine/user_environment.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::iequals;

namespace {

namespace stdfs = std::filesystem;

// Folders whose loss would take the system, the program or everything of a user with it.
constexpr std::string_view kProtectedVariables[] = {
    "SystemRoot",   "windir", "ProgramFiles", "CommonProgramFiles", "USERPROFILE", "ALLUSERSPROFILE", "APPDATA",
    "LOCALAPPDATA", "TEMP",   "TMP",
};

// Where a Windows path really leads on the host, links and ".." resolved, without a trailing separator.
std::optional<stdfs::path> real_location(std::string_view windows_path) {
    std::optional<stdfs::path> host = platform::current_machine().files().to_host(windows_path);
    if (!host) return std::nullopt;
    std::error_code ignored;
    stdfs::path real = stdfs::weakly_canonical(*host, ignored).lexically_normal();
    if (!real.has_filename() && real != real.root_path()) real = real.parent_path();
    return real;
}

std::vector<std::string_view> key_components(std::string_view key) {
    std::vector<std::string_view> components;
    for (size_t begin = 0; begin <= key.size();) {
        size_t end = std::min(key.find('\\', begin), key.size());
        if (end > begin) components.push_back(key.substr(begin, end - begin));
        begin = end + 1;
    }
    return components;
}

// Keys whose deletion removes a whole tree of other keys' meaning: top-level keys, and a user's
// hive below HKEY_USERS.
bool is_top_level(ERegistryClassConstants root, const std::vector<std::string_view>& components) {
    return components.size() <= (root == HKEY_USERS ? 2u : 1u);
}

enum class Hive { Machine, User };

// A key below Windows' own hive, as the rules below name it: HKEY_CLASSES_ROOT is the machine's
// Software\Classes, a user below HKEY_USERS is any user, and the 32-bit view (Wow6432Node) of
// Software is Software.
struct HivePath {
    Hive hive;
    std::vector<std::string_view> components;
};

HivePath hive_path(ERegistryClassConstants root, std::vector<std::string_view> components) {
    if (root == HKEY_CLASSES_ROOT) components.insert(components.begin(), {"Software", "Classes"});
    if (root == HKEY_USERS && !components.empty()) components.erase(components.begin());
    if (components.size() > 1 && iequals(components[0], "Software") && iequals(components[1], "Wow6432Node"))
        components.erase(components.begin() + 1);
    return {root == HKEY_LOCAL_MACHINE || root == HKEY_CLASSES_ROOT ? Hive::Machine : Hive::User,
            std::move(components)};
}

// Keys whose removal leaves Windows or Wine unable to start or to run programs. Each is refused
// with every key that holds it; the keys below them may go. "*" stands for any control set.
struct NeededKey {
    Hive hive;
    std::string_view path;
    EntryRefusal refusal;
};
constexpr NeededKey kNeededKeys[] = {
    {Hive::Machine, "SYSTEM\\*\\Control", EntryRefusal::ControlSetKey},
    {Hive::Machine, "SYSTEM\\*\\Enum", EntryRefusal::ControlSetKey},
    {Hive::Machine, "SYSTEM\\*\\Services", EntryRefusal::ControlSetKey},
    {Hive::Machine, "Software\\Classes", EntryRefusal::WindowsKey},
    {Hive::Machine, "Software\\Microsoft\\Windows\\CurrentVersion", EntryRefusal::WindowsKey},
    {Hive::Machine, "Software\\Microsoft\\Windows NT\\CurrentVersion", EntryRefusal::WindowsKey},
    {Hive::User, "Software\\Classes", EntryRefusal::WindowsKey},
    {Hive::User, "Software\\Microsoft\\Windows\\CurrentVersion", EntryRefusal::WindowsKey},
};

// CurrentControlSet, or ControlSet followed by its number (ControlSet001, ...).
bool is_control_set(std::string_view name) {
    constexpr std::string_view kNumbered = "ControlSet";
    if (iequals(name, "CurrentControlSet")) return true;
    if (name.size() <= kNumbered.size() || !iequals(name.substr(0, kNumbered.size()), kNumbered)) return false;
    return name.find_first_not_of("0123456789", kNumbered.size()) == std::string_view::npos;
}

// The key is the needed one or holds it.
bool is_or_holds(const std::vector<std::string_view>& key, std::string_view needed) {
    const std::vector<std::string_view> path = key_components(needed);
    if (key.size() > path.size()) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        if (path[i] == "*" ? !is_control_set(key[i]) : !iequals(key[i], path[i])) return false;
    }
    return true;
}

EntryRefusal needed_key_refusal(const HivePath& key) {
    for (const NeededKey& needed : kNeededKeys) {
        if (needed.hive == key.hive && is_or_holds(key.components, needed.path)) return needed.refusal;
    }
    return EntryRefusal::None;
}

}  // namespace

bool is_blank_entry(std::string_view entry) {
    return entry.find_first_not_of(std::string_view(" \0", 2)) == entry.npos;
}

EntryGuard::EntryGuard() : environment_(platform::user_environment(platform::current_machine())) {
    platform::Machine& machine = platform::current_machine();
    for (const std::string& root : machine.files().drives()) {
        if (auto location = real_location(root)) drive_roots_.push_back(*location);
    }
    std::vector<std::string> folders = {platform::windows_folder(machine), engine_folder()};
    for (std::string_view name : kProtectedVariables) {
        if (auto found = environment_.find(name); found != environment_.end()) folders.push_back(found->second);
    }
    for (const std::string& folder : folders) {
        if (auto location = real_location(folder)) protected_folders_.push_back(*location);
    }
    std::error_code ignored;
    protected_folders_.push_back(stdfs::weakly_canonical(machine.dir(), ignored));
}

std::string EntryGuard::expand(std::string_view entry) const {
    return platform::sys::expand_environment_strings(entry, environment_);
}

EntryRefusal EntryGuard::check_file(std::string_view expanded) const {
    return is_blank_entry(expanded) ? EntryRefusal::Empty : EntryRefusal::None;
}

EntryRefusal EntryGuard::check_folder(std::string_view expanded) const {
    if (is_blank_entry(expanded)) return EntryRefusal::Empty;
    return check_location(real_location(expanded));
}

EntryRefusal EntryGuard::check_location(const std::optional<std::filesystem::path>& location) const {
    // A path that leads nowhere has nothing the shredder could remove.
    if (!location) return EntryRefusal::None;
    if (std::find(drive_roots_.begin(), drive_roots_.end(), *location) != drive_roots_.end())
        return EntryRefusal::ProtectedFolder;
    for (const stdfs::path& folder : protected_folders_) {
        if (platform::fs::is_within(folder, *location)) return EntryRefusal::ProtectedFolder;
    }
    return EntryRefusal::None;
}

const EntryGuard::FolderFacts& EntryGuard::facts_of(std::string_view folder) const {
    auto [known, added] = folder_facts_.try_emplace(std::string(folder));
    if (!added) return known->second;
    const platform::fs::FileSystem& files = platform::current_machine().files();
    FolderFacts& facts = known->second;
    facts.directory = files.is_directory(folder);
    if (!facts.directory) return facts;
    facts.out_of_machine = !files.may_modify(folder) || files.linked_out_of_machine(folder);
    facts.location = real_location(folder);
    return facts;
}

EntryRefusal EntryGuard::check_rule_folder(std::string_view folder, bool subfolders, bool masked) const {
    const bool whole_tree = subfolders && !masked;
    if (whole_tree && key_components(folder).size() == 2) return EntryRefusal::TopLevelRecursive;
    const FolderFacts& facts = facts_of(folder);
    // A folder that is not there has nothing to remove; it is looked at again when it is cleaned.
    if (!facts.directory) return EntryRefusal::None;
    if (facts.out_of_machine) return EntryRefusal::OutOfMachine;
    if (const EntryRefusal refusal = check_location(facts.location); refusal != EntryRefusal::None) return refusal;
    // Named through a link, a top-level folder may hide behind a longer path.
    const bool top_level = facts.location && std::find(drive_roots_.begin(), drive_roots_.end(), facts.location->parent_path()) != drive_roots_.end();
    return top_level && whole_tree ? EntryRefusal::TopLevelRecursive : EntryRefusal::None;
}

EntryRefusal EntryGuard::check_registry(std::string_view text, const RegistryEntry& entry) const {
    if (is_blank_entry(text)) return EntryRefusal::Empty;
    if (!entry.root) return EntryRefusal::NoRootName;
    const std::vector<std::string_view> components = key_components(entry.key);
    if (!entry.has_subkey) return EntryRefusal::ProtectedKey;
    if (entry.value) return components.empty() ? EntryRefusal::ProtectedKey : EntryRefusal::None;
    if (is_top_level(*entry.root, components)) return EntryRefusal::ProtectedKey;
    return needed_key_refusal(hive_path(*entry.root, components));
}

std::string_view refusal_message_key(EntryRefusal refusal) {
    switch (refusal) {
        case EntryRefusal::Empty: return "msg70";
        case EntryRefusal::ProtectedFolder: return "msg71";
        case EntryRefusal::ProtectedKey: return "msg72";
        case EntryRefusal::NoRootName: return "msg73";
        case EntryRefusal::ControlSetKey: return "msg440";
        case EntryRefusal::WindowsKey: return "msg441";
        case EntryRefusal::Unusable: return "msg720";
        case EntryRefusal::UnknownVariable: return "msg721";
        case EntryRefusal::TopLevelRecursive: return "msg722";
        case EntryRefusal::OutOfMachine: return "msg723";
        case EntryRefusal::HoldsExclusion: return "msg724";
        case EntryRefusal::ExclusionUnusable: return "msg725";
        case EntryRefusal::None: break;
    }
    return {};
}

}  // namespace engine
