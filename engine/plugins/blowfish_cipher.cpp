#include "engine/plugins/blowfish_cipher.h"

namespace engine::blowfish {

namespace {

constexpr size_t kMaxKeyBytes = 72;

uint32_t load_big_endian(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | static_cast<uint32_t>(bytes[3]);
}

void store_big_endian(uint8_t* bytes, uint32_t word) {
    bytes[0] = static_cast<uint8_t>(word >> 24);
    bytes[1] = static_cast<uint8_t>(word >> 16);
    bytes[2] = static_cast<uint8_t>(word >> 8);
    bytes[3] = static_cast<uint8_t>(word);
}

}  // namespace

Cipher::Cipher() : p_(kInitialP), s_(kInitialS) {}

void Cipher::set_key(std::span<const uint8_t> key) {
    p_ = kInitialP;
    s_ = kInitialS;
    if (key.size() > kMaxKeyBytes) key = key.first(kMaxKeyBytes);
    if (!key.empty()) {
        size_t next = 0;
        for (uint32_t& entry : p_) {
            uint32_t word = 0;
            for (int i = 0; i < 4; ++i) {
                word = word << 8 | key[next];
                next = (next + 1) % key.size();
            }
            entry ^= word;
        }
    }
    // Each table entry in turn becomes the encryption of the block before, starting from zero.
    uint32_t left = 0, right = 0;
    for (size_t i = 0; i < p_.size(); i += 2) {
        encipher(left, right);
        p_[i] = left;
        p_[i + 1] = right;
    }
    for (auto& box : s_) {
        for (size_t i = 0; i < box.size(); i += 2) {
            encipher(left, right);
            box[i] = left;
            box[i + 1] = right;
        }
    }
}

inline uint32_t Cipher::round_function(uint32_t half) const {
    return ((s_[0][half >> 24] + s_[1][(half >> 16) & 0xFF]) ^ s_[2][(half >> 8) & 0xFF]) + s_[3][half & 0xFF];
}

void Cipher::encipher(uint32_t& left, uint32_t& right) const {
    uint32_t l = left, r = right;
    for (size_t round = 0; round < kRounds; round += 2) {
        l ^= p_[round];
        r ^= round_function(l);
        r ^= p_[round + 1];
        l ^= round_function(r);
    }
    left = r ^ p_[kRounds + 1];
    right = l ^ p_[kRounds];
}

void Cipher::decipher(uint32_t& left, uint32_t& right) const {
    uint32_t l = left, r = right;
    for (size_t round = kRounds + 1; round > 1; round -= 2) {
        l ^= p_[round];
        r ^= round_function(l);
        r ^= p_[round - 1];
        l ^= round_function(r);
    }
    left = r ^ p_[0];
    right = l ^ p_[1];
}

void Cipher::encrypt_cbc(std::span<uint8_t> blocks, Chain& chain) const {
    uint32_t left = chain.left, right = chain.right;
    for (size_t offset = 0; offset + kBlockSize <= blocks.size(); offset += kBlockSize) {
        uint8_t* block = blocks.data() + offset;
        left ^= load_big_endian(block);
        right ^= load_big_endian(block + 4);
        encipher(left, right);
        store_big_endian(block, left);
        store_big_endian(block + 4, right);
    }
    chain = {left, right};
}

void Cipher::decrypt_cbc(std::span<uint8_t> blocks, Chain& chain) const {
    for (size_t offset = 0; offset + kBlockSize <= blocks.size(); offset += kBlockSize) {
        uint8_t* block = blocks.data() + offset;
        const uint32_t cipher_left = load_big_endian(block);
        const uint32_t cipher_right = load_big_endian(block + 4);
        uint32_t left = cipher_left, right = cipher_right;
        decipher(left, right);
        store_big_endian(block, left ^ chain.left);
        store_big_endian(block + 4, right ^ chain.right);
        chain = {cipher_left, cipher_right};
    }
}

}  // namespace engine::blowfish
