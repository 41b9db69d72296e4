#include "platform/registry/regf_free_cells.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/registry/registry.h"

namespace platform::registry {
namespace {

constexpr size_t kBinsStart = 4096, kBinHeader = 32, kBinsSizeOffset = 0x28;

uint32_t u32_at(const uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

[[noreturn]] void fail(const std::filesystem::path& file, const std::string& why) {
    throw HiveError(file.string() + ": " + why);
}

}  // namespace

void zero_free_cells(std::span<uint8_t> bytes, const std::filesystem::path& file) {
    // The bins end where the base block says; the file may go on past them with padding.
    if (bytes.size() < kBinsStart) fail(file, "the saved hive has no header");
    const size_t bins_end = std::min(bytes.size(), kBinsStart + u32_at(bytes.data() + kBinsSizeOffset));
    for (size_t bin = kBinsStart; bin + kBinHeader <= bins_end;) {
        const uint8_t* header = bytes.data() + bin;
        const size_t bin_size = u32_at(header + 8);
        if (std::memcmp(header, "hbin", 4) != 0 || bin_size < kBinHeader || bin_size % 4096 != 0 ||
            bin_size > bins_end - bin)
            fail(file, "a block of the saved hive is not laid out as it should be");
        for (size_t cell = bin + kBinHeader; cell < bin + bin_size;) {
            if (bin + bin_size - cell < 4) fail(file, "a cell of the saved hive runs past its block");
            const auto raw = static_cast<int32_t>(u32_at(bytes.data() + cell));
            const size_t size = raw < 0 ? static_cast<size_t>(-static_cast<int64_t>(raw)) : static_cast<size_t>(raw);
            if (size < 8 || size % 8 != 0 || size > bin + bin_size - cell)
                fail(file, "a cell of the saved hive has an impossible size");
            const size_t end = cell + size;
            if (raw > 0) std::memset(bytes.data() + cell + 4, 0, size - 4);
            cell = end;
        }
        bin += bin_size;
    }
}

}  // namespace platform::registry
