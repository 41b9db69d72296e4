#include "platform/fs/name_fold.h"

#include <locale.h>
#include <wctype.h>

#include "platform/fs/fs.h"

namespace platform::fs::detail {

namespace {

// Case mapping must not depend on the locale the user happens to run in.
locale_t unicode_locale() {
    static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

char32_t fold(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
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
    if (a.size() == b.size() && a == b) return true;
    return fold_case(a) == fold_case(b);
}

}  // namespace platform::fs::detail

namespace platform::fs {

bool same_file_name(std::string_view a, std::string_view b) { return detail::same_name(a, b); }

}  // namespace platform::fs
