#include "platform/text/name_fold.h"

#include <locale.h>
#include <wctype.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/text/ascii_case.h"

namespace platform::text {

namespace {

// Case mapping must not depend on the locale the user happens to run in.
locale_t unicode_locale() {
    static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

char32_t fold(char32_t c) {
    if (c < 0x80) return static_cast<unsigned char>(ascii_lower(static_cast<char>(c)));
    locale_t locale = unicode_locale();
    return locale ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale)) : c;
}

// Stray bytes map into the low-surrogate range, which no valid UTF-8 sequence can produce.
constexpr char32_t stray_byte(unsigned char byte) { return 0xDC00 + byte; }

// Decodes one sequence at text[i], advancing i; returns a stray byte for anything malformed.
char32_t decode(std::string_view text, size_t& i) {
    auto byte = static_cast<unsigned char>(text[i]);
    int length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
    if (length == 1 || length == 0 || i + length > text.size()) {
        ++i;
        return length == 1 ? byte : stray_byte(byte);
    }
    char32_t c = byte & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return stray_byte(byte);
        }
        c = (c << 6) | (next & 0x3F);
    }
    i += length;
    return c;
}

constexpr uint64_t kOnes = 0x0101010101010101;
constexpr uint64_t kHighBits = 0x80 * kOnes;

// The folded code points of a name mixed into a hash: ASCII ones packed eight to a word, any
// other one a word of its own. The words depend only on the folded code points, never on how
// the name spelled them, so a name taken eight ASCII bytes at a time hashes as it would one
// code point at a time.
class FoldedHasher {
public:
    bool at_word_start() const { return packed_ == 0; }

    // Eight bytes below 0x80, lowered all at once.
    void add_ascii_word(uint64_t word) {
        const uint64_t from_a = word + (0x80 - 'A') * kOnes;      // high bit set from 'A' on
        const uint64_t past_z = word + (0x80 - 'Z' - 1) * kOnes;  // ... and from past 'Z' on
        const uint64_t upper = from_a & ~past_z & kHighBits;
        mix(word | upper >> 2);
        count_ += 8;
    }

    void add(char32_t folded) {
        ++count_;
        if (folded < 0x80) {
            word_ |= uint64_t{folded} << (8 * packed_);
            if (++packed_ == 8) flush();
            return;
        }
        flush();
        mix(uint64_t{folded} << 32 | 0xFFFFFFFF);
    }

    size_t finish() {
        flush();
        uint64_t h = state_ ^ count_;
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccd;
        h ^= h >> 33;
        return static_cast<size_t>(h);
    }

private:
    void flush() {
        if (packed_ == 0) return;
        mix(word_);
        word_ = 0;
        packed_ = 0;
    }
    void mix(uint64_t word) {
        state_ = (state_ ^ word) * 0x9E3779B97F4A7C15;
        state_ ^= state_ >> 29;
    }

    uint64_t state_ = 0;
    uint64_t word_ = 0;
    unsigned packed_ = 0;
    uint64_t count_ = 0;
};

}  // namespace

std::u32string fold_case(std::string_view utf8) {
    // Never more code points than bytes; written in place, as a preview folds every path it meets.
    std::u32string folded(utf8.size(), U'\0');
    size_t length = 0;
    for (size_t i = 0; i < utf8.size();) folded[length++] = fold(decode(utf8, i));
    folded.resize(length);
    return folded;
}

bool same_name(std::string_view a, std::string_view b) {
    if (a == b) return true;
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[j]);
        if ((x | y) < 0x80) {
            if (fold(x) != fold(y)) return false;
            ++i;
            ++j;
        } else if (fold(decode(a, i)) != fold(decode(b, j))) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

size_t folded_hash(std::string_view utf8) {
    FoldedHasher hasher;
    for (size_t i = 0; i < utf8.size();) {
        if (hasher.at_word_start() && i + 8 <= utf8.size()) {
            uint64_t word;
            std::memcpy(&word, utf8.data() + i, sizeof word);
            // The first byte lowest, as add() packs them.
            if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
            if ((word & kHighBits) == 0) {
                hasher.add_ascii_word(word);
                i += 8;
                continue;
            }
        }
        hasher.add(fold(decode(utf8, i)));
    }
    return hasher.finish();
}

}  // namespace platform::text
