#pragma once
// The text form of one invalid registry entry the scans found. The same text is shown to the
// user, handed back to repair, and used as the name of its backup, so it has to read back into
// exactly the key or value it was made from.
//
//   key entry:   ROOT\key\path\subkey
//   value entry: ROOT\key\path\+Value`= name;;Value`=data
#include <optional>
#include <string>
#include <string_view>

#include "engine/foundation/records.h"

namespace engine::regcleaner {

inline constexpr std::string_view kValueMarker = "+Value`= ";
inline constexpr std::string_view kDataSeparator = ";;Value`=";

// The four places the scans look at; repair and restore accept nothing else.
inline constexpr std::string_view kSharedDllsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
inline constexpr std::string_view kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr std::string_view kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
inline constexpr std::string_view kOpenSaveMruKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\*";

struct RegistryEntry {
    ERegistryClassConstants root = HKEY_LOCAL_MACHINE;
    std::string key_path;                   // no trailing backslash; for a key entry the key itself
    std::optional<std::string> value_name;  // set for a value entry
    std::string data;                       // a value entry's data as the scan showed it

    bool is_value() const { return value_name.has_value(); }
    // Whether this entry covers a key (and, for a value entry, that value) of a backup.
    bool covers_key(ERegistryClassConstants key_root, std::string_view path) const;
    bool covers_value(ERegistryClassConstants key_root, std::string_view path, std::string_view name) const;
};

// Whether path is a key below key (not key itself), names compared as the registry compares them.
bool is_under(std::string_view path, std::string_view key);

// The list form: "ROOT\key\subkey".
std::string key_entry_text(ERegistryClassConstants root, std::string_view key, std::string_view subkey);
// The list form: "ROOT\key\+Value`= name;;Value`=data".
std::string value_entry_text(ERegistryClassConstants root, std::string_view key, std::string_view name,
                             std::string_view data);
// What FoundError carries for a value: the same without the backslash before the marker.
std::string value_found_text(ERegistryClassConstants root, std::string_view key, std::string_view name,
                             std::string_view data);

// Reads one entry back (no bars). Only the forms above, at the four places, read back: a subkey
// of Uninstall or App Paths, a value of SharedDlls or OpenSaveMRU\*. Anything else, and text that
// cannot say where a name ends (a name holding ";;", data holding the separator), gives nullopt.
std::optional<RegistryEntry> parse_entry(std::string_view text);

}  // namespace engine::regcleaner
