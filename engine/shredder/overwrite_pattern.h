#pragma once
// The bytes the shredder writes over a file before deleting it.
#include <array>
#include <cstdint>

#include "platform/fs/fs.h"

namespace engine {

// Twenty byte values, each ten times in a row: 0x55 x10, 0xAA x10, ... 0xD4 x10.
inline constexpr std::size_t kPatternRunLength = 200;
const std::array<uint8_t, kPatternRunLength>& pattern_run();

// Writes the pattern run, repeated, over the whole file in place: from byte 0 to its end, and
// at least one full run even when the file is shorter. The caller flushes it to the device
// before deleting the file (one file on its own, or a whole batch at once).
void overwrite_in_place(platform::fs::File& file, uint64_t file_length);

}  // namespace engine
