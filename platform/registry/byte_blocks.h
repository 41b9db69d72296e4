#pragma once
// Questions about a block of bytes answered for the whole block at once: which bytes are line
// ends, where a value name's plain run stops, whether hex data keeps Wine's "xx," rhythm. A large
// hive is millions of short lines, and asking byte by byte is most of the time of reading one.
// Each answer is a bit mask, bit i for byte i. The caller makes sure the whole block lies inside
// its buffer.
#include <cstddef>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::registry::text::blocks {

#if defined(__SSE2__)
namespace sse2 {
inline __m128i load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline uint32_t bits(__m128i lanes) { return static_cast<uint32_t>(_mm_movemask_epi8(lanes)); }
inline __m128i equal(__m128i bytes, char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); }
// Bytes in [low, high], both ASCII: the signed compare leaves every byte >= 0x80 out.
inline __m128i within(__m128i bytes, char low, char high) {
    return _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(static_cast<char>(low - 1))),
                         _mm_cmplt_epi8(bytes, _mm_set1_epi8(static_cast<char>(high + 1))));
}
}  // namespace sse2
#endif

// The bytes equal to c among the 16 at p.
inline uint32_t equal_16(const char* p, char c) {
#if defined(__SSE2__)
    return sse2::bits(sse2::equal(sse2::load(p), c));
#else
    uint32_t mask = 0;
    for (int i = 0; i < 16; ++i) mask |= uint32_t{p[i] == c} << i;
    return mask;
#endif
}

// The "\n" bytes among the 64 at p.
inline uint64_t newlines_64(const char* p) {
    return uint64_t{equal_16(p, '\n')} | uint64_t{equal_16(p + 16, '\n')} << 16 |
           uint64_t{equal_16(p + 32, '\n')} << 32 | uint64_t{equal_16(p + 48, '\n')} << 48;
}

// The bytes among the 16 at p that end a plain run of a value name: '"', '\\' or non-ASCII.
inline uint32_t name_stops_16(const char* p) {
#if defined(__SSE2__)
    const __m128i bytes = sse2::load(p);
    return sse2::bits(_mm_or_si128(sse2::equal(bytes, '"'), sse2::equal(bytes, '\\'))) | sse2::bits(bytes);
#else
    uint32_t mask = 0;
    for (int i = 0; i < 16; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        mask |= uint32_t{c == '"' || c == '\\' || c >= 0x80} << i;
    }
    return mask;
#endif
}

// Bytes a hex triple run takes per block: five "xx," of the 16 bytes read.
constexpr size_t hex_triples_span = 15;

// True when the first 15 of the 16 bytes at p are five "xx," triples (hex digits of either case,
// then a comma).
inline bool hex_triples_15(const char* p) {
    constexpr uint32_t commas = 0b100'100'100'100'100;
    constexpr uint32_t digits = 0b011'011'011'011'011;
#if defined(__SSE2__)
    const __m128i bytes = sse2::load(p);
    const __m128i lower = _mm_or_si128(bytes, _mm_set1_epi8(0x20));  // 'A'-'F' as 'a'-'f'; ',' stays out
    const uint32_t hex = sse2::bits(_mm_or_si128(sse2::within(bytes, '0', '9'), sse2::within(lower, 'a', 'f')));
    const uint32_t comma = sse2::bits(sse2::equal(bytes, ','));
    return ((hex & digits) | (comma & commas)) == (digits | commas);
#else
    for (size_t i = 0; i < hex_triples_span; ++i) {
        const char c = p[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if ((commas >> i & 1) ? c != ',' : !hex) return false;
    }
    return true;
#endif
}

}  // namespace platform::registry::text::blocks
