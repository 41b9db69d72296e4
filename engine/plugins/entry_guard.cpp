#include "engine/plugins/entry_guard.h"

#include <algorithm>
#include <optional>

#include "engine/foundation/engine_folder.h"
#include "engine/foundation/text.h"
#include "platform/machine/machine.h"

namespace engine {

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

bool is_same_or_inside(const stdfs::path& inner, const stdfs::path& outer) {
    auto [stop, ignored] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return stop == outer.end();
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

// Keys whose deletion removes a whole tree of other keys' meaning: top-level keys, a user's hive
// below HKEY_USERS, and the classes roots that HKEY_CLASSES_ROOT shows.
bool is_protected_key(ERegistryClassConstants root, const std::vector<std::string_view>& components) {
    const size_t top_level = root == HKEY_USERS ? 2 : 1;
    if (components.size() <= top_level) return true;
    return components.size() == 2 && (root == HKEY_LOCAL_MACHINE || root == HKEY_CURRENT_USER) &&
           iequals(components[0], "Software") && iequals(components[1], "Classes");
}

}  // namespace

bool is_blank_entry(std::string_view entry) {
    return entry.find_first_not_of(std::string_view(" \0", 2)) == entry.npos;
}

EntryGuard::EntryGuard() : environment_(platform::sys::environment(platform::current_machine())) {
    platform::Machine& machine = platform::current_machine();
    for (const std::string& root : machine.files().drives()) {
        if (auto location = real_location(root)) drive_roots_.push_back(*location);
    }
    std::vector<std::string> folders = {platform::sys::windows_folder(machine), engine_folder()};
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
    // A path that leads nowhere has nothing the shredder could remove.
    const std::optional<stdfs::path> location = real_location(expanded);
    if (!location) return EntryRefusal::None;
    if (std::find(drive_roots_.begin(), drive_roots_.end(), *location) != drive_roots_.end())
        return EntryRefusal::ProtectedFolder;
    for (const stdfs::path& folder : protected_folders_) {
        if (is_same_or_inside(folder, *location)) return EntryRefusal::ProtectedFolder;
    }
    return EntryRefusal::None;
}

EntryRefusal EntryGuard::check_registry(std::string_view text, const RegistryEntry& entry) const {
    if (is_blank_entry(text)) return EntryRefusal::Empty;
    if (!entry.root) return EntryRefusal::NoRootName;
    const std::vector<std::string_view> components = key_components(entry.key);
    if (!entry.has_subkey) return EntryRefusal::ProtectedKey;
    if (entry.value) return components.empty() ? EntryRefusal::ProtectedKey : EntryRefusal::None;
    return is_protected_key(*entry.root, components) ? EntryRefusal::ProtectedKey : EntryRefusal::None;
}

std::string_view refusal_message_key(EntryRefusal refusal) {
    switch (refusal) {
        case EntryRefusal::Empty: return "msg70";
        case EntryRefusal::ProtectedFolder: return "msg71";
        case EntryRefusal::ProtectedKey: return "msg72";
        case EntryRefusal::NoRootName: return "msg73";
        case EntryRefusal::None: break;
    }
    return {};
}

}  // namespace engine
