#pragma once
// The 64-bit block cipher itself (16 rounds, key-dependent S-boxes) and cipher-block chaining
// over big-endian words, as a standard implementation does it with an all-zero starting vector.
#include <array>
#include <cstdint>
#include <span>

#include "engine/plugins/blowfish_tables.h"

namespace engine::blowfish {

constexpr size_t kBlockSize = 8;

// The ciphertext words of the block before; both zero before the first block.
struct Chain {
    uint32_t left = 0;
    uint32_t right = 0;
};

class Cipher {
public:
    // The starting tables without a key: what the key schedule begins from.
    Cipher();

    // Runs the key schedule from the starting tables; only the first 72 bytes take part.
    void set_key(std::span<const uint8_t> key);

    void encipher(uint32_t& left, uint32_t& right) const;
    void decipher(uint32_t& left, uint32_t& right) const;

    // Whole blocks in place; `chain` carries on from one call to the next.
    void encrypt_cbc(std::span<uint8_t> blocks, Chain& chain) const;
    void decrypt_cbc(std::span<uint8_t> blocks, Chain& chain) const;

private:
    uint32_t round_function(uint32_t half) const;

    std::array<uint32_t, kRoundKeys> p_;
    std::array<std::array<uint32_t, 256>, 4> s_;
};

}  // namespace engine::blowfish
