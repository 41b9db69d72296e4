#pragma once
// Finds a resource in a PE image (32- or 64-bit) as the loader would, reading only the headers,
// the resource tree and nothing outside the file.
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/typelib/byte_source.h"

namespace platform::typelib {

struct FileRange {
    uint64_t offset = 0;
    uint64_t size = 0;
};

// The data of the resource of the named type (ASCII name, compared without regard to case): the
// entry with id 1 when there is one, else the first, and its first language. nullopt when the
// file is no PE image, has no such resource, or names anything outside itself.
std::optional<FileRange> find_named_resource(const ByteSource& image, std::string_view type_name);

}  // namespace platform::typelib
