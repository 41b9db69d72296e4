#pragma once
// The current machine's registry the way the engine sees it: set up and read for test assertions.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/foundation/cregistry.h"

namespace tavrin_test {

// The value names of a key in enumeration order; empty when the key is missing.
inline std::vector<std::string> value_names(engine::ERegistryClassConstants root, const std::string& key) {
    engine::cRegistry reg;
    reg.ClassKey(root);
    reg.SectionKey(key);
    std::vector<std::string> names;
    int32_t count = 0;
    reg.EnumerateValues(names, count);
    return names;
}

// Sets a text value, creating the key.
inline void set_value(engine::ERegistryClassConstants root, const std::string& key, const std::string& name,
                      const std::string& text) {
    engine::cRegistry reg;
    reg.ValueEx(root, key, name, engine::REG_SZ, engine::Variant(), text);
}

inline bool key_exists(engine::ERegistryClassConstants root, const std::string& key) {
    engine::cRegistry reg;
    reg.ClassKey(root);
    reg.SectionKey(key);
    return reg.KeyExists();
}

}  // namespace tavrin_test
