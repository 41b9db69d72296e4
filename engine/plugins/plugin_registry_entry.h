#pragma once
// How a plug-in names registry keys and values: "ROOT_NAME\key\path" for a key with all its
// subkeys, or that followed directly by the value marker and a value name for one value.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/foundation/records.h"

namespace engine {

inline constexpr std::string_view kValueMarker = "+ Value`= ";

struct RegistryEntry {
    std::optional<ERegistryClassConstants> root;  // from the first element; only the four full names count
    bool has_subkey = false;                      // false for a bare name without any "\"
    std::string key;                              // the path after the first "\"
    std::optional<std::string> value;             // the value name after the marker
};

RegistryEntry parse_registry_entry(std::string_view entry);

class cRegistry;

// Deletes the key with its subkeys, or the one value; the entry must have a root.
void delete_registry_entry(cRegistry& reg, const RegistryEntry& entry);

// Whether the key a detection path names exists in the machine's registry; a path whose first
// element is none of the four root names never does.
bool registry_key_exists(std::string_view path);

}  // namespace engine
