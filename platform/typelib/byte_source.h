#pragma once
// Bounded reads from a file or a buffer: the parsers below only ever see what a read returned,
// so an offset a hostile file names outside itself is simply a failed read.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform::typelib {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // Fills the buffer from the offset; false when any of it lies outside the source.
    virtual bool read(uint64_t offset, std::span<uint8_t> buffer) const = 0;

    std::optional<uint16_t> u16(uint64_t offset) const;
    std::optional<uint32_t> u32(uint64_t offset) const;
    // A slice of the source, or nullopt when it does not lie wholly inside.
    std::optional<std::vector<uint8_t>> bytes(uint64_t offset, uint64_t length) const;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const uint8_t> data) : data_(data) {}
    uint64_t size() const override { return data_.size(); }
    bool read(uint64_t offset, std::span<uint8_t> buffer) const override;

private:
    std::span<const uint8_t> data_;
};

// Little-endian fields of a buffer already read, with the same bounds rule.
std::optional<uint16_t> le16(std::span<const uint8_t> data, uint64_t offset);
std::optional<uint32_t> le32(std::span<const uint8_t> data, uint64_t offset);

}  // namespace platform::typelib
