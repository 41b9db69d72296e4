#pragma once
// Which files of a folder FolderShred overwrites: by extension and by size.
#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

struct FileSelection {
    std::string extension;  // "*" for every type; otherwise compared with the lower-cased extension
    double max_bytes = 0;   // both 0: no size test; otherwise min_bytes <= size <= max_bytes
    double min_bytes = 0;

    // A name without a dot that equals the extension (any case) is always taken, so "Trash"
    // finds the mailbox files of that name. Otherwise the extension must match exactly (it is
    // given in lower case) and the size test hold; "*" takes every type.
    bool selects(std::string_view name, uint64_t size) const;
};

}  // namespace engine
