#pragma once
// The keys of a plug-in's rule form, written as the winapp2.ini database writes them, so that its
// entries are stored as they are and stay readable:
//   FileKeyN=folder|mask;mask[|RECURSE or |REMOVESELF]   files of a folder, perhaps its subfolders
//   RegKeyN=ROOT\key[|value]                              a key with its subkeys, or one value
//   ExcludeKeyN=FILE|folder\|names  PATH|folder\[|mask]  REG|ROOT\key[|value]
//   DetectN=ROOT\key   DetectFileN=path   (any of them found: the program is there)
//   DetectOS=lowest|highest                               Windows versions ("6.1|", "|10.0")
// Folders may hold %Variables% (rule_variables.h) and wildcards in any segment; roots may be
// short (HKCU) or long (HKEY_CURRENT_USER). Parsing only looks at the text; the machine is
// consulted later.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/plugins/plugin_registry_entry.h"

namespace engine {

// Why a key cannot be used; Usable when it can.
enum class KeyFault {
    Usable,
    BadFileKey,          // not folder|masks or folder|masks|FLAG
    UnknownFlag,         // a flag other than RECURSE and REMOVESELF
    BadRegistryKey,      // no root name, or nothing below the root
    RegistryWildcard,    // registry paths are named exactly
    BadExclusion,        // not FILE|, PATH| or REG| with a path
    DetectFileWildcard,  // a wildcard before the last segment
    BadVersionRange,
};

struct FileRule {
    std::string folder;               // as written: variables and wildcards unexpanded
    std::vector<std::string> masks;   // at least one
    bool recurse = false;             // subfolders too
    bool remove_self = false;         // subfolders too, and every folder left empty goes, this one included
};

struct Exclusion {
    enum class Kind { File, Path, Registry } kind = Kind::File;
    std::string folder;                 // File, Path: without a trailing "\"
    std::vector<std::string> masks;     // File: the names; Path: empty for everything below
    RegistryEntry registry;             // Registry
};

struct VersionRange {
    std::optional<double> lowest, highest;
    bool holds(double version) const;
};

template <typename T>
struct ParsedKey {
    std::optional<T> key;
    KeyFault fault = KeyFault::Usable;
};

ParsedKey<FileRule> parse_file_rule(std::string_view text);
// Short root names are taken for the long ones; the value marker of the older entries is
// plain text here.
ParsedKey<RegistryEntry> parse_rule_registry(std::string_view text);
ParsedKey<Exclusion> parse_exclusion(std::string_view text);
// A DetectFile path: wildcards only in its last segment.
KeyFault detect_file_fault(std::string_view path);
ParsedKey<VersionRange> parse_version_range(std::string_view text);

// The long form ("HKEY_CURRENT_USER\key"), with the older value marker before a value name, as
// the older entries and the registry helpers take it.
std::string long_registry_text(const RegistryEntry& entry);

// Whether a name or path segment holds "*" or "?".
bool has_wildcard(std::string_view text);

// A masked folder's folder without the trailing "\" and the masks split at ";".
std::vector<std::string> split_masks(std::string_view masks);

// Why a key cannot be used, in words for reports.
std::string_view key_fault_text(KeyFault fault);

}  // namespace engine
