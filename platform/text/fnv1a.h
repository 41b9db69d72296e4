#pragma once
// FNV-1a, the one short hash the program keeps on disk or compares between runs: it is the same in
// every build, so names derived from it (a machine's lock, an installation's data folder) stay put.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::text {

struct Fnv1a {
    uint64_t value = 0xcbf29ce484222325ull;
    void mix(uint8_t byte) { value = (value ^ byte) * 0x100000001b3ull; }
    void mix(std::string_view text) {
        for (const char c : text) mix(static_cast<uint8_t>(c));
    }
};

// The hash of a text as 16 lower-case hex digits.
inline std::string fnv1a_hex(std::string_view text) {
    Fnv1a hash;
    hash.mix(text);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i, hash.value >>= 4) hex[i] = kDigits[hash.value & 0xf];
    return hex;
}

}  // namespace platform::text
