#include "engine/plugins/container.h"

#include <cstring>

#include "engine/plugins/blowfish_cipher.h"

namespace engine::blowfish {

namespace {

constexpr size_t kLengthOffset = 8;

void store_little_endian(uint8_t* bytes, uint32_t word) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(word >> (8 * i));
}

uint32_t load_little_endian(const uint8_t* bytes) {
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i) word = word << 8 | bytes[i];
    return word;
}

}  // namespace

size_t container_size(size_t plain_length) {
    const size_t framed = plain_length + kHeaderSize;
    return (framed + kBlockSize - 1) / kBlockSize * kBlockSize;
}

void wrap(std::vector<uint8_t>& bytes, uint32_t first_random, uint32_t second_random) {
    const size_t length = bytes.size();
    // Growing zero-fills the tail, so the padding behind the moved bytes is already in place.
    bytes.resize(container_size(length), 0);
    std::memmove(bytes.data() + kHeaderSize, bytes.data(), length);
    store_little_endian(bytes.data(), first_random);
    store_little_endian(bytes.data() + 4, second_random);
    store_little_endian(bytes.data() + kLengthOffset, static_cast<uint32_t>(length));
}

std::optional<size_t> plain_length(std::span<const uint8_t> header, size_t container_length) {
    if (header.size() < kHeaderSize) return std::nullopt;
    const size_t length = load_little_endian(header.data() + kLengthOffset);
    if (container_length < length + kHeaderSize || container_length - length - kHeaderSize >= kBlockSize)
        return std::nullopt;
    return length;
}

void unwrap(std::vector<uint8_t>& bytes, size_t plain_length) {
    std::memmove(bytes.data(), bytes.data() + kHeaderSize, plain_length);
    bytes.resize(plain_length);
}

}  // namespace engine::blowfish
