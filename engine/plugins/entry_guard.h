#pragma once
// The checks every plug-in entry passes before anything is removed. A plug-in file may come from
// anyone; it must not be able to wipe a drive, the system, the program or a registry hive.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/plugins/plugin_registry_entry.h"
#include "platform/sys/environment.h"

namespace engine {

enum class EntryRefusal {
    None,
    Empty,
    ProtectedFolder,
    ProtectedKey,  // a root, a top-level key, a user's whole hive
    NoRootName,
    ControlSetKey,  // a control set's Control, Enum or Services key, or a key holding one
    WindowsKey,     // Software\Classes, Microsoft\Windows (NT)\CurrentVersion, or a key holding one
    Unusable,          // a rule key that does not read as one (rule_keys.h says why)
    UnknownVariable,   // a %Variable% of the rule form that names no folder on this machine
    TopLevelRecursive, // a drive's top-level folder with its subfolders, without a file mask
    OutOfMachine,      // a folder that leads out of the machine
    HoldsExclusion,    // a registry key or value an exclusion of the same plug-in keeps
    ExclusionUnusable, // an exclusion of the plug-in cannot be honoured, so nothing of its kind runs
};

// Blanks only, or the INI reader's missing-key value (NUL characters).
bool is_blank_entry(std::string_view entry);

class EntryGuard {
public:
    // Looks up the machine's environment and the folders no entry may remove.
    EntryGuard();

    // %APPDATA%, %WINDIR%, ... as the machine's user sees them; unknown names stay as written.
    std::string expand(std::string_view entry) const;

    EntryRefusal check_file(std::string_view expanded) const;
    // A drive root, or a folder that is or holds the Windows folder, the program folder, the
    // machine folder or one of the user's and the system's standard folders.
    EntryRefusal check_folder(std::string_view expanded) const;
    // A bare root, a top-level key (or a user's whole hive under HKEY_USERS), or a key Windows and
    // Wine cannot do without (see ControlSetKey, WindowsKey; any spelling, either registry view)
    // as a key to delete; a value must sit below a root.
    EntryRefusal check_registry(std::string_view text, const RegistryEntry& entry) const;
    // A rule form's folder as check_folder sees it, and in addition: one that leads out of the
    // machine, and a top-level folder of a drive taken with its subfolders unless a file mask
    // narrows what goes (such a rule once emptied whole "temp" folders of users' drives).
    EntryRefusal check_rule_folder(std::string_view folder, bool subfolders, bool masked) const;

private:
    // check_folder of a folder already followed to where it really leads (nullopt: nowhere).
    EntryRefusal check_location(const std::optional<std::filesystem::path>& location) const;
    // What check_rule_folder looks at on the drive. A run checks the same folder for many rules,
    // so what it finds is kept for the guard's life (one run): a folder the run removes meanwhile
    // has nothing left that a refusal would keep, and a run makes no folders or links.
    struct FolderFacts {
        bool directory = false;
        bool out_of_machine = false;
        std::optional<std::filesystem::path> location;  // where it really leads
    };
    const FolderFacts& facts_of(std::string_view folder) const;

    platform::sys::Environment environment_;
    std::vector<std::filesystem::path> drive_roots_;
    std::vector<std::filesystem::path> protected_folders_;
    mutable std::unordered_map<std::string, FolderFacts> folder_facts_;  // by folder as the rule names it
};

// The message key of the log line that names a refused entry.
std::string_view refusal_message_key(EntryRefusal refusal);

}  // namespace engine
