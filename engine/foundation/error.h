#pragma once
// The Error class: holds an error number and tells "file not found" apart. Nothing in the product
// calls it; it is part of the library's published shape.
#include <cstdint>
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/variant.h"

namespace engine {

class Error : public EngineObject {
public:
    // A decimal text; anything else raises error 13 (type mismatch) and keeps the old number.
    void ERRNumber(const std::string& value);
    // Empty for every number but 53 (file not found), which raises error 20 (resume without error).
    Variant ParseError();

private:
    int32_t number_ = 0;
};

}  // namespace engine
