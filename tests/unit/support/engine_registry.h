#pragma once
// Reading the current machine's registry the way the engine sees it, for test assertions.
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

}  // namespace tavrin_test
