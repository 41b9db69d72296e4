#pragma once
// Wiping what a binary registry hive still holds of removed keys and values. Deleting a key or
// value only marks its cells free; their bytes (names, data) stay readable in the file until
// they are overwritten. This overwrites the payload of every free cell with zeros.
#include <cstdint>
#include <filesystem>
#include <span>

namespace platform::registry {

// Works on the hive's bytes in memory. Throws HiveError naming `file` when its cells are not laid
// out as a hive's are.
void zero_free_cells(std::span<uint8_t> hive, const std::filesystem::path& file);

}  // namespace platform::registry
