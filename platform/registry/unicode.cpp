#include "platform/registry/unicode.h"

#include <algorithm>

#include "platform/text/ascii_case.h"

namespace platform::registry {
namespace {

constexpr char32_t replacement = 0xFFFD;

// Decodes one code point at text[pos], advancing pos; malformed input yields U+FFFD and skips a byte.
char32_t next_code_point(std::string_view text, size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((lead & 0xE0) == 0xC0) { extra = 1; cp = lead & 0x1F; min = 0x80; }
    else if ((lead & 0xF0) == 0xE0) { extra = 2; cp = lead & 0x0F; min = 0x800; }
    else if ((lead & 0xF8) == 0xF0) { extra = 3; cp = lead & 0x07; min = 0x10000; }
    else return replacement;
    if (pos + extra > text.size()) return replacement;
    for (int i = 0; i < extra; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + i]);
        if ((c & 0xC0) != 0x80) return replacement;
        cp = (cp << 6) | (c & 0x3F);
    }
    pos += extra;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return replacement;
    return cp;
}

void append_utf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 | (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
    }
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Lower-case mapping for the scripts registry names are written in in practice: Latin, Greek and
// Cyrillic. Other characters compare as they are.
char16_t to_lower(char16_t c) {
    if (c < 0x80) return static_cast<char16_t>(platform::text::ascii_lower(static_cast<char>(c)));
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    if (c >= 0x100 && c <= 0x137 && c != 0x130) return static_cast<char16_t>(c | 1);
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    if (c >= 0x14A && c <= 0x177) return static_cast<char16_t>(c | 1);
    if (c == 0x178) return 0xFF;
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
    return c;
}

// Yields the lower-cased UTF-16 units of a UTF-8 name one at a time, without allocating.
class FoldedUnits {
public:
    explicit FoldedUnits(std::string_view text) : text_(text) {}
    bool done() const { return pending_ == 0 && pos_ >= text_.size(); }
    char16_t next() {
        if (pending_) {
            const char16_t unit = pending_;
            pending_ = 0;
            return unit;
        }
        char32_t cp = next_code_point(text_, pos_);
        if (cp < 0x10000) return to_lower(static_cast<char16_t>(cp));
        cp -= 0x10000;
        pending_ = static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
        return static_cast<char16_t>(0xD800 | (cp >> 10));
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
    char16_t pending_ = 0;
};

}  // namespace

std::u16string utf8_to_utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) append_utf16(out, next_code_point(text, pos));
    return out;
}

std::string utf16_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = replacement;
        }
        append_utf8(out, cp);
    }
    return out;
}

int compare_names(std::string_view a, std::string_view b) {
    // Most names are ASCII: compare bytes until the first non-ASCII one, then switch to units.
    size_t i = 0;
    const size_t common = std::min(a.size(), b.size());
    for (; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if ((ca | cb) & 0x80) break;
        const int la = platform::text::ascii_lower(static_cast<char>(ca));
        const int lb = platform::text::ascii_lower(static_cast<char>(cb));
        if (la != lb) return la - lb;
    }
    if (i == common) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    FoldedUnits ua(a.substr(i));
    FoldedUnits ub(b.substr(i));
    while (!ua.done() && !ub.done()) {
        const char16_t x = ua.next();
        const char16_t y = ub.next();
        if (x != y) return x < y ? -1 : 1;
    }
    if (ua.done() && ub.done()) return 0;
    return ua.done() ? -1 : 1;
}

size_t utf16_length(std::string_view utf8) {
    size_t units = 0;
    for (size_t pos = 0; pos < utf8.size();) units += next_code_point(utf8, pos) >= 0x10000 ? 2 : 1;
    return units;
}

}  // namespace platform::registry
