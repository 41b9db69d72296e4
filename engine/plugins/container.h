#pragma once
// The layout the plug-in file is kept in: two random words, the plain length, the plain bytes
// and zero bytes up to a whole number of cipher blocks. Header fields are little-endian; the
// whole container is then encrypted block by block.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace engine::blowfish {

constexpr size_t kHeaderSize = 12;

// The plain length plus the header, rounded up to whole blocks.
size_t container_size(size_t plain_length);

// Turns the plain bytes into the (still unencrypted) container in place.
void wrap(std::vector<uint8_t>& bytes, uint32_t first_random, uint32_t second_random);

// The plain length the decrypted header announces, when a container of `container_length`
// bytes can hold it; nullopt when the header is too short or does not fit the length.
std::optional<size_t> plain_length(std::span<const uint8_t> header, size_t container_length);

// Cuts a decrypted container down to its plain bytes.
void unwrap(std::vector<uint8_t>& bytes, size_t plain_length);

}  // namespace engine::blowfish
