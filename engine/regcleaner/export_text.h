#pragma once
// Keys and values in the text of Windows registry export files ("Windows Registry Editor
// Version 5.00"): what a registry-cleaner backup keeps, so that it can be read, imported
// elsewhere, and put back exactly (types, binary data, numbers as numbers).
//
// Strings are written quoted when they can stand on one line, otherwise, like REG_EXPAND_SZ and
// REG_MULTI_SZ, as hex(N) of their UTF-16LE form; DWORDs as dword:, everything else as hex.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/foundation/records.h"
#include "platform/registry/registry.h"

namespace engine::regcleaner {

struct ExportedValue {
    std::string name;                 // "" for the default value
    platform::registry::Value value;  // as the registry functions give it (strings UTF-8 with NUL)
};

struct ExportedKey {
    ERegistryClassConstants root = HKEY_LOCAL_MACHINE;
    std::string path;  // below the root, never empty
    std::vector<ExportedValue> values;
};

using RegistryExport = std::vector<ExportedKey>;

bool same_export(const RegistryExport& a, const RegistryExport& b);

// nullopt when a key path or value name holds a line break or another control character, which
// the format cannot carry.
std::optional<std::string> format_export(const RegistryExport& keys);

// nullopt for anything but the header followed by key sections and their values (no deletions).
std::optional<RegistryExport> parse_export(std::string_view text);

}  // namespace engine::regcleaner
