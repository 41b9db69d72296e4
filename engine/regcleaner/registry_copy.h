#pragma once
// Copies between the machine's registry and an export: what repair saves before it deletes, and
// what restore writes back. Values keep their exact type and data (REG_EXPAND_SZ unexpanded).
#include <string>

#include "engine/regcleaner/export_text.h"
#include "engine/regcleaner/registry_entry.h"

namespace engine::regcleaner {

// Appends the key with its values, then each subkey the same way; false when the key is missing.
bool copy_key_tree(ERegistryClassConstants root, const std::string& path, RegistryExport& out);
// Appends the key with that one value; false when the value is missing.
bool copy_value(ERegistryClassConstants root, const std::string& path, const std::string& name, RegistryExport& out);

// Whether the key or value an entry names is in the registry now.
bool entry_in_registry(const RegistryEntry& entry);

// Creates every key and writes every value as it is in the export; false at the first failure.
bool write_export(const RegistryExport& keys);

}  // namespace engine::regcleaner
