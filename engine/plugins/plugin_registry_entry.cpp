#include "engine/plugins/plugin_registry_entry.h"

#include "engine/foundation/cregistry.h"
#include "platform/registry/registry.h"

namespace engine {

RegistryEntry parse_registry_entry(std::string_view entry) {
    RegistryEntry parsed;
    const size_t slash = entry.find('\\');
    parsed.root = registry_root_named(entry.substr(0, slash));
    parsed.has_subkey = slash != std::string_view::npos;
    // Without a backslash the whole text stands where the key would, so it names nothing that exists.
    std::string_view key = parsed.has_subkey ? entry.substr(slash + 1) : entry;
    const size_t marker = key.find(kValueMarker);
    if (marker != std::string_view::npos) {
        parsed.value = std::string(key.substr(marker + kValueMarker.size()));
        key = key.substr(0, marker);
    }
    parsed.key = std::string(key);
    return parsed;
}

void delete_registry_entry(cRegistry& reg, const RegistryEntry& entry) {
    if (!entry.value) {
        std::string path = platform::registry::root_name(*entry.root) + "\\" + entry.key;
        reg.del_reg_sub(path);
        return;
    }
    reg.ClassKey(*entry.root);
    reg.SectionKey(entry.key);
    reg.ValueKey(*entry.value);
    reg.DeleteValue();
}

bool registry_key_exists(std::string_view path) {
    const RegistryEntry entry = parse_registry_entry(path);
    if (!entry.root) return false;
    cRegistry reg;
    reg.ClassKey(*entry.root);
    // The detection path is a key path: a value marker in it is part of the key's name.
    const size_t slash = path.find('\\');
    reg.SectionKey(std::string(slash == std::string_view::npos ? path : path.substr(slash + 1)));
    return reg.KeyExists();
}

}  // namespace engine
