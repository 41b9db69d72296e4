#include "platform/registry/reg_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/registry/byte_blocks.h"
#include "platform/registry/unicode.h"

namespace platform::registry::text {
namespace {

constexpr uint64_t ticks_per_second = 10'000'000;
constexpr uint64_t ticks_1601_to_1970 = 86400ull * (369 * 365 + 89) * ticks_per_second;

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
// A table answers "is this a hex digit" in one load: hex data is most of a large hive's bytes.
constexpr auto hex_digits = [] {
    std::array<int8_t, 256> table{};
    table.fill(-1);
    for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<int8_t>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) table[c] = static_cast<int8_t>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<int8_t>(c - 'A' + 10);
    return table;
}();
bool is_hex(char c) { return hex_digits[static_cast<unsigned char>(c)] >= 0; }
int hex_value(char c) { return hex_digits[static_cast<unsigned char>(c)]; }
// What ends a plain run of a value name: its closing quote, an escape, or non-ASCII text.
constexpr auto name_stops = [] {
    std::array<bool, 256> table{};
    table['"'] = table['\\'] = true;
    for (int c = 0x80; c < 256; ++c) table[c] = true;
    return table;
}();

bool is_octal(char c) { return c >= '0' && c <= '7'; }

// Inline (as find_byte): it runs several times for every value line.
inline size_t skip_spaces(std::string_view s, size_t i) {
    while (i < s.size() && is_space(s[i])) ++i;
    return i;
}

// The strings and lines of a hive are short (about 40 bytes in a large one), so calling memchr
// for each costs more than the search itself: the bytes are compared 16 at a time here, in place.
inline size_t find_byte(std::string_view text, size_t from, char c) {
    for (; from + 16 <= text.size(); from += 16)
        if (const uint32_t hits = blocks::equal_16(text.data() + from, c)) return from + static_cast<size_t>(std::countr_zero(hits));
    return text.find(c, from);
}

// Index of the first unescaped `end` in raw, or npos. Jumps from candidate to candidate: an end
// character is escaped when an odd number of backslashes precedes it.
size_t find_unescaped(std::string_view raw, char end) {
    for (size_t from = 0; from < raw.size();) {
        const size_t at = find_byte(raw, from, end);
        if (at == std::string_view::npos) return at;
        size_t backslashes = 0;
        while (backslashes < at && raw[at - 1 - backslashes] == '\\') ++backslashes;
        if (backslashes % 2 == 0) return at;
        from = at + 1;
    }
    return std::string_view::npos;
}

// Where the plain run of a value name that starts at i ends: at its closing quote, an escape or
// non-ASCII text, or at the end of the line.
size_t plain_run_end(std::string_view line, size_t i) {
    for (; i + 16 <= line.size(); i += 16)
        if (const uint32_t stops = blocks::name_stops_16(line.data() + i)) return i + static_cast<size_t>(std::countr_zero(stops));
    while (i < line.size() && !name_stops[static_cast<unsigned char>(line[i])]) ++i;
    return i;
}

// The prefix's length is known here, so the comparison compiles to a few loads, not a call.
template <size_t N>
bool starts_with(std::string_view s, const char (&prefix)[N]) {
    return s.size() >= N - 1 && std::memcmp(s.data(), prefix, N - 1) == 0;
}

struct TypeTag {
    uint32_t type;
    DataForm form;
    size_t length;
};

TypeTag read_type_tag(std::string_view s) {
    if (s.empty()) throw FormatError("missing value data");
    switch (s[0]) {  // one look at the first letter spares comparing against every tag
    case '"': return {1, DataForm::String, 1};
    case 'd':
        if (starts_with(s, "dword:")) return {4, DataForm::Dword, 6};
        break;
    case 's':
        if (starts_with(s, "str:\"")) return {1, DataForm::String, 5};
        if (starts_with(s, "str(2):\"")) return {2, DataForm::String, 8};
        if (starts_with(s, "str(7):\"")) return {7, DataForm::String, 8};
        break;
    case 'h':
        if (starts_with(s, "hex:")) return {3, DataForm::Hex, 4};
        if (starts_with(s, "hex(")) {
            size_t i = 4;
            uint64_t type = 0;
            while (i < s.size() && is_hex(s[i]) && i < 12) type = type * 16 + hex_value(s[i++]);
            if (i > 4 && starts_with(s.substr(i), "):")) return {static_cast<uint32_t>(type), DataForm::Hex, i + 2};
        }
        break;
    default:
        break;
    }
    throw FormatError("unknown value type");
}

void check_dword(std::string_view s) {
    size_t digits = 0;
    while (digits < s.size() && is_hex(s[digits])) ++digits;
    if (digits == 0 || digits > 8 || skip_spaces(s, digits) != s.size()) throw FormatError("malformed dword value");
}

// Checks one line of "xx,xx,..." data; true when it ends with a continuation backslash.
bool check_hex_line(std::string_view s) {
    size_t i = skip_spaces(s, 0);
    // Wine writes "xx," runs, checked five at a time, then one at a time; only what departs from
    // them needs the careful path below.
    while (i + 16 <= s.size() && blocks::hex_triples_15(s.data() + i)) i += blocks::hex_triples_span;
    while (i + 3 <= s.size() && is_hex(s[i]) && is_hex(s[i + 1]) && s[i + 2] == ',') i += 3;
    i = skip_spaces(s, i);  // blanks may follow any comma, the last of those runs' too
    while (i < s.size()) {
        if (s[i] == '\\') {
            if (skip_spaces(s, i + 1) != s.size()) throw FormatError("malformed hex data");
            return true;
        }
        size_t digits = 0;
        while (i + digits < s.size() && is_hex(s[i + digits])) ++digits;
        if (digits == 0 || digits > 2) throw FormatError("malformed hex data");
        i = skip_spaces(s, i + digits);
        if (i < s.size() && s[i] == ',') i = skip_spaces(s, i + 1);
    }
    return false;
}

void append_le16(std::vector<uint8_t>& out, char16_t unit) {
    out.push_back(static_cast<uint8_t>(unit & 0xFF));
    out.push_back(static_cast<uint8_t>(unit >> 8));
}

void append_hex_byte(std::string& out, unsigned value) {
    static constexpr char digits[] = "0123456789abcdef";
    out.push_back(digits[(value >> 4) & 0xF]);
    out.push_back(digits[value & 0xF]);
}

// Lower-case hex with at least min_digits (at most 16) digits.
void append_hex(std::string& out, uint64_t number, int min_digits) {
    static constexpr char hex[] = "0123456789abcdef";
    char digits[16];
    char* first = std::end(digits);
    do {
        *--first = hex[number & 0xF];
        number >>= 4;
    } while (number);
    while (std::end(digits) - first < min_digits) *--first = '0';
    out.append(first, std::end(digits));
}

std::u16string_view as_units(std::span<const uint8_t> data, std::u16string& storage) {
    storage.resize(data.size() / 2);
    for (size_t i = 0; i < storage.size(); ++i)
        storage[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return storage;
}

bool is_string_type(uint32_t type) { return type == 1 || type == 2 || type == 7; }

// Every changed key of a save passes here, so the line is made in a buffer of its own, digits two
// at a time, and appended in one go.
void append_key_stamp(std::string& out, uint64_t filetime) {
    static constexpr auto decimal_pairs = [] {
        std::array<char, 200> pairs{};
        for (int i = 0; i < 100; ++i) {
            pairs[2 * i] = static_cast<char>('0' + i / 10);
            pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
        return pairs;
    }();
    static constexpr char hex[] = "0123456789abcdef";
    char line[64];
    char* end = std::end(line);
    char* first = end;
    *--first = '\n';
    uint64_t number = filetime;
    do {
        *--first = hex[number & 0xF];
        number >>= 4;
    } while (number);
    first -= 7;
    std::memcpy(first, "\n#time=", 7);
    number = (filetime - ticks_1601_to_1970) / ticks_per_second;
    for (; number >= 100; number /= 100) {
        first -= 2;
        std::memcpy(first, &decimal_pairs[2 * (number % 100)], 2);
    }
    if (number >= 10) {
        first -= 2;
        std::memcpy(first, &decimal_pairs[2 * number], 2);
    } else {
        *--first = static_cast<char>('0' + number);
    }
    first -= 2;
    std::memcpy(first, "] ", 2);
    out.append(first, end);
}

}  // namespace

bool LineCursor::take_more() {
    if (!more_) return false;
    const size_t had = buffer_.size();
    buffer_ = more_->arrived_beyond(had);
    if (buffer_.size() > had) return true;
    more_ = nullptr;
    return false;
}

std::string_view LineCursor::search_line() {
    for (;;) {
        const std::string_view text = buffer_;
        size_t from = searched_;
        for (; from + 64 <= text.size(); from += 64) {
            // The text is usually fresh from the file and not yet in this processor's cache.
            __builtin_prefetch(text.data() + std::min(from + 1024, text.size() - 1));
            const uint64_t newlines = blocks::newlines_64(text.data() + from);
            if (!newlines) continue;
            block_ = from;
            searched_ = from + 64;
            newlines_ = newlines & (newlines - 1);
            const size_t newline = from + static_cast<size_t>(std::countr_zero(newlines));
            return line_until(newline, newline + 1);
        }
        // Less than a block is left of what has arrived.
        const size_t newline = find_byte(text, from, '\n');
        if (newline != std::string_view::npos) {
            searched_ = newline + 1;
            return line_until(newline, newline + 1);
        }
        searched_ = text.size();
        if (!take_more()) return line_until(searched_, searched_);
    }
}

ValueLine parse_value(LineCursor& cursor, size_t line_begin, std::string_view line) {
    ValueLine value;
    size_t i = 1;
    if (line[0] == '"') {
        for (;;) {
            i = plain_run_end(line, i);
            if (i >= line.size() || line[i] == '"') break;
            value.plain_name = false;
            i += line[i] == '\\' ? 2 : 1;  // an escape takes the next character with it
        }
        if (i >= line.size()) throw FormatError("unterminated value name");
        value.raw_name = line.substr(1, i - 1);
        ++i;
    }
    i = skip_spaces(line, i);
    if (i >= line.size() || line[i] != '=') throw FormatError("missing '=' after the value name");
    i = skip_spaces(line, i + 1);
    const TypeTag tag = read_type_tag(line.substr(i));
    value.type = tag.type;
    value.form = tag.form;
    i += tag.length;
    value.data_begin = line_begin + i;
    const std::string_view data = line.substr(i);
    switch (tag.form) {
    case DataForm::String:
        if (find_unescaped(data, '"') == std::string_view::npos) throw FormatError("unterminated string");
        break;
    case DataForm::Dword:
        check_dword(data);
        break;
    case DataForm::Hex:
        for (bool more = check_hex_line(data); more;) {
            if (cursor.at_end()) throw FormatError("hex data continues past the end of the file");
            more = check_hex_line(cursor.next_line());
        }
        break;
    }
    value.end = cursor.offset();
    return value;
}

std::string_view key_line_path(std::string_view line) {
    const size_t close = find_unescaped(line.substr(1), ']');
    if (close == std::string_view::npos) throw FormatError("unterminated key name");
    return line.substr(1, close);
}

bool is_plain(std::string_view raw) {
    for (char c : raw)
        if (c == '\\' || static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

void split_key_path(std::string_view raw, std::vector<std::string_view>& components) {
    components.clear();
    size_t begin = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') continue;
        if (i + 1 < raw.size() && raw[i + 1] == '\\') {
            if (i > begin) components.push_back(raw.substr(begin, i - begin));
            begin = i + 2;
        }
        ++i;
    }
    if (begin < raw.size()) components.push_back(raw.substr(begin));
}

std::u16string unescape(std::string_view raw) {
    std::u16string out;
    out.reserve(raw.size());
    size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] == '\\') {
            if (++i >= raw.size()) break;
            const char c = raw[i];
            char16_t unit = 0;
            switch (c) {
            case 'a': unit = '\a'; break;
            case 'b': unit = '\b'; break;
            case 'e': unit = 0x1B; break;
            case 'f': unit = '\f'; break;
            case 'n': unit = '\n'; break;
            case 'r': unit = '\r'; break;
            case 't': unit = '\t'; break;
            case 'v': unit = '\v'; break;
            case 'x':
                if (i + 1 < raw.size() && is_hex(raw[i + 1])) {
                    for (int n = 0; n < 4 && i + 1 < raw.size() && is_hex(raw[i + 1]); ++n)
                        unit = static_cast<char16_t>(unit * 16 + hex_value(raw[++i]));
                } else {
                    unit = 'x';
                }
                break;
            default:
                if (is_octal(c)) {
                    unit = static_cast<char16_t>(c - '0');
                    for (int n = 0; n < 2 && i + 1 < raw.size() && is_octal(raw[i + 1]); ++n)
                        unit = static_cast<char16_t>(unit * 8 + (raw[++i] - '0'));
                    break;
                }
                // Any other escaped character stands for itself (\\ \" \[ \]); fall back to the
                // ordinary path so that an escaped multi-byte character is decoded too.
                size_t j = i;
                while (j < raw.size() && (j == i || (static_cast<unsigned char>(raw[j]) & 0xC0) == 0x80)) ++j;
                out += utf8_to_utf16(raw.substr(i, j - i));
                i = j;
                continue;
            }
            out.push_back(unit);
            ++i;
            continue;
        }
        size_t j = i;
        while (j < raw.size() && raw[j] != '\\') ++j;
        out += utf8_to_utf16(raw.substr(i, j - i));
        i = j;
    }
    return out;
}

std::string decode_name(std::string_view raw) {
    if (is_plain(raw)) return std::string(raw);
    return utf16_to_utf8(unescape(raw));
}

void append_escaped(std::string& out, std::u16string_view text, const char* specials) {
    static constexpr char c_escapes[33] = ".......abtnvfr.............e....";
    char scratch[16];
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool next_is_hex = i + 1 < text.size() && text[i + 1] < 128 && is_hex(static_cast<char>(text[i + 1]));
        if (c > 127) {
            // A following hex digit would be read as part of the escape, so pad to four digits then.
            const int n = std::snprintf(scratch, sizeof scratch, next_is_hex ? "\\x%04x" : "\\x%x", unsigned{c});
            out.append(scratch, static_cast<size_t>(n));
        } else if (c < 32) {
            int n = 0;
            if (c_escapes[c] != '.') n = std::snprintf(scratch, sizeof scratch, "\\%c", c_escapes[c]);
            else if (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7')
                n = std::snprintf(scratch, sizeof scratch, "\\%03o", unsigned{c});
            else
                n = std::snprintf(scratch, sizeof scratch, "\\%o", unsigned{c});
            out.append(scratch, static_cast<size_t>(n));
        } else {
            if (c == '\\' || c == specials[0] || c == specials[1]) out.push_back('\\');
            out.push_back(static_cast<char>(c));
        }
    }
}

bool is_written_as_is(std::string_view utf8, const char* specials) {
    for (char c : utf8)
        if (c < 32 || c > 126 || c == '\\' || c == specials[0] || c == specials[1]) return false;
    return true;
}

void append_escaped(std::string& out, std::string_view utf8, const char* specials) {
    // Most names are printable ASCII with nothing to escape: they go out as they are.
    if (is_written_as_is(utf8, specials)) out += utf8;
    else append_escaped(out, utf8_to_utf16(utf8), specials);
}

std::vector<uint8_t> decode_data(std::string_view buffer, const ValueLine& value) {
    const std::string_view data = buffer.substr(value.data_begin, value.end - value.data_begin);
    std::vector<uint8_t> out;
    switch (value.form) {
    case DataForm::String: {
        const std::u16string units = unescape(data.substr(0, find_unescaped(data, '"')));
        out.reserve(units.size() * 2 + 2);
        for (char16_t unit : units) append_le16(out, unit);
        append_le16(out, 0);
        break;
    }
    case DataForm::Dword: {
        uint32_t dword = 0;
        for (size_t i = 0; i < data.size() && is_hex(data[i]); ++i) dword = dword * 16 + hex_value(data[i]);
        for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(dword >> shift));
        break;
    }
    case DataForm::Hex:
        out.reserve(data.size() / 3 + 1);
        for (size_t i = 0; i < data.size();) {
            if (!is_hex(data[i])) {
                ++i;
                continue;
            }
            unsigned byte = hex_value(data[i++]);
            if (i < data.size() && is_hex(data[i])) byte = byte * 16 + hex_value(data[i++]);
            out.push_back(static_cast<uint8_t>(byte));
        }
        break;
    }
    return out;
}

void append_value_name(std::string& out, std::string_view name) {
    if (name.empty()) {
        out.push_back('@');
        return;
    }
    out.push_back('"');
    append_escaped(out, name, "\"\"");
    out.push_back('"');
}

void append_value(std::string& out, std::string_view name, uint32_t type, std::span<const uint8_t> data) {
    const size_t line_begin = out.size();
    append_value_name(out, name);
    out.push_back('=');
    std::u16string units;
    // Only properly terminated strings are written as strings; anything else falls back to hex.
    if (is_string_type(type) && data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 1] == 0 &&
        data[data.size() - 2] == 0) {
        if (type != 1) out += type == 2 ? "str(2):" : "str(7):";
        out.push_back('"');
        append_escaped(out, as_units(data.first(data.size() - 2), units), "\"\"");
        out += "\"\n";
        return;
    }
    if (type == 4 && data.size() == 4) {
        const unsigned dword = data[0] | (data[1] << 8) | (data[2] << 16) | (unsigned{data[3]} << 24);
        out += "dword:";
        append_hex(out, dword, 8);
        out.push_back('\n');
        return;
    }
    if (type == 3) {
        out += "hex:";
    } else {
        out += "hex(";
        append_hex(out, type, 1);
        out += "):";
    }
    // Wine wraps after the comma that takes a line past 76 columns and indents by two.
    size_t count = out.size() - line_begin;
    for (size_t i = 0; i < data.size(); ++i) {
        append_hex_byte(out, data[i]);
        count += 2;
        if (i + 1 < data.size()) {
            out.push_back(',');
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out.push_back('\n');
}

void append_key_header(std::string& out, std::span<const std::string_view> path, uint64_t filetime) {
    out.push_back('[');
    for (size_t i = 0; i < path.size(); ++i) {
        if (i) out += "\\\\";
        append_escaped(out, path[i], "[]");
    }
    append_key_stamp(out, filetime);
}

void append_key_header(std::string& out, std::string_view escaped_path, uint64_t filetime) {
    out.push_back('[');
    out += escaped_path;
    append_key_stamp(out, filetime);
}

uint64_t filetime_now() {
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count() / 100;
    return ticks_1601_to_1970 + static_cast<uint64_t>(ticks);
}

}  // namespace platform::registry::text
