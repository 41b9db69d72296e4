// Bounded little-endian reads shared by the PE and type-library parsers.
#include "platform/typelib/byte_source.h"

#include <cstring>

namespace platform::typelib {

namespace {

bool inside(uint64_t total, uint64_t offset, uint64_t length) { return offset <= total && length <= total - offset; }

}  // namespace

std::optional<uint16_t> ByteSource::u16(uint64_t offset) const {
    uint8_t raw[2];
    if (!read(offset, raw)) return std::nullopt;
    return static_cast<uint16_t>(raw[0] | raw[1] << 8);
}

std::optional<uint32_t> ByteSource::u32(uint64_t offset) const {
    uint8_t raw[4];
    if (!read(offset, raw)) return std::nullopt;
    return le32(raw, 0);
}

std::optional<std::vector<uint8_t>> ByteSource::bytes(uint64_t offset, uint64_t length) const {
    if (!inside(size(), offset, length)) return std::nullopt;
    std::vector<uint8_t> data(length);
    if (!read(offset, data)) return std::nullopt;
    return data;
}

bool MemorySource::read(uint64_t offset, std::span<uint8_t> buffer) const {
    if (!inside(data_.size(), offset, buffer.size())) return false;
    if (!buffer.empty()) std::memcpy(buffer.data(), data_.data() + offset, buffer.size());
    return true;
}

std::optional<uint16_t> le16(std::span<const uint8_t> data, uint64_t offset) {
    if (!inside(data.size(), offset, 2)) return std::nullopt;
    return static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
}

std::optional<uint32_t> le32(std::span<const uint8_t> data, uint64_t offset) {
    if (!inside(data.size(), offset, 4)) return std::nullopt;
    return static_cast<uint32_t>(data[offset]) | static_cast<uint32_t>(data[offset + 1]) << 8 |
           static_cast<uint32_t>(data[offset + 2]) << 16 | static_cast<uint32_t>(data[offset + 3]) << 24;
}

}  // namespace platform::typelib
