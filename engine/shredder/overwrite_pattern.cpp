#include "engine/shredder/overwrite_pattern.h"

#include <algorithm>
#include <vector>

namespace engine {

namespace {

constexpr std::array<uint8_t, 20> kPatternBytes = {85, 170, 74, 99, 71, 92, 101, 112, 1, 61,
                                                    97, 119, 86, 79, 109, 72, 90, 0, 255, 212};
constexpr std::size_t kRepeatsPerByte = kPatternRunLength / kPatternBytes.size();

// About 1 MiB and a whole number of runs, so every block starts the run afresh at its offset:
// large writes are what let a big file go at the device's speed.
constexpr std::size_t kBlockLength = kPatternRunLength * 5243;

const std::vector<uint8_t>& pattern_block() {
    static const std::vector<uint8_t> block = [] {
        std::vector<uint8_t> bytes(kBlockLength);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = pattern_run()[i % kPatternRunLength];
        return bytes;
    }();
    return block;
}

}  // namespace

const std::array<uint8_t, kPatternRunLength>& pattern_run() {
    static const std::array<uint8_t, kPatternRunLength> run = [] {
        std::array<uint8_t, kPatternRunLength> bytes{};
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = kPatternBytes[i / kRepeatsPerByte];
        return bytes;
    }();
    return run;
}

void overwrite_in_place(platform::fs::File& file, uint64_t file_length) {
    const uint64_t end = std::max<uint64_t>(file_length, kPatternRunLength);
    const auto& block = pattern_block();
    for (uint64_t offset = 0; offset < end; offset += block.size()) {
        const auto length = static_cast<std::size_t>(std::min<uint64_t>(block.size(), end - offset));
        file.write_at(offset, std::span<const uint8_t>(block.data(), length));
    }
}

}  // namespace engine
