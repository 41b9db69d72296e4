#include "engine/regcleaner/export_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "engine/foundation/cregistry.h"
#include "platform/registry/unicode.h"
#include "platform/text/trim.h"

namespace engine::regcleaner {

namespace {

namespace type = platform::registry::type;

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kHexLineWidth = 76;  // as the registry editor wraps its hex lines

bool is_string_type(uint32_t value_type) {
    return value_type == type::Sz || value_type == type::ExpandSz || value_type == type::MultiSz;
}

bool is_control(char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; }

bool fits_one_line(std::string_view text) { return std::none_of(text.begin(), text.end(), is_control); }

// Text that can be written quoted: one terminating NUL, nothing that would break the line.
bool quotable(const platform::registry::Value& value) {
    if (value.type != type::Sz || value.data.empty() || value.data.back() != 0) return false;
    std::string_view text(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1);
    return fits_one_line(text);
}

void append_quoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

std::vector<uint8_t> utf16le_bytes(const std::vector<uint8_t>& utf8) {
    std::u16string wide = platform::registry::utf8_to_utf16(
        std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
    std::vector<uint8_t> bytes;
    bytes.reserve(wide.size() * 2);
    for (char16_t unit : wide) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}

std::optional<std::vector<uint8_t>> utf8_bytes(const std::vector<uint8_t>& utf16le) {
    if (utf16le.size() % 2 != 0) return std::nullopt;
    std::u16string wide;
    for (size_t i = 0; i < utf16le.size(); i += 2) {
        wide.push_back(static_cast<char16_t>(utf16le[i] | utf16le[i + 1] << 8));
    }
    std::string text = platform::registry::utf16_to_utf8(wide);
    return std::vector<uint8_t>(text.begin(), text.end());
}

void append_hex(std::string& out, size_t line_start, const std::vector<uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < bytes.size(); ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0xF];
        if (i + 1 == bytes.size()) break;
        out += ',';
        if (out.size() - line_start >= kHexLineWidth) {
            out += '\\';
            out += kLineEnd;
            line_start = out.size();
            out += "  ";
        }
    }
}

std::string hex_tag(uint32_t value_type) {
    if (value_type == type::Binary) return "hex:";
    char digits[16];
    auto end = std::to_chars(digits, digits + sizeof digits, value_type, 16).ptr;
    return "hex(" + std::string(digits, end) + "):";
}

void append_value(std::string& out, const ExportedValue& entry) {
    size_t line_start = out.size();
    if (entry.name.empty()) {
        out += '@';
    } else {
        append_quoted(out, entry.name);
    }
    out += '=';
    const auto& value = entry.value;
    if (quotable(value)) {
        append_quoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
    } else if (value.type == type::Dword && value.data.size() == 4) {
        uint32_t number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 | uint32_t{value.data[3]} << 24;
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", number);
        out += "dword:";
        out += digits;
    } else {
        out += hex_tag(value.type);
        append_hex(out, line_start, is_string_type(value.type) ? utf16le_bytes(value.data) : value.data);
    }
    out += kLineEnd;
}

// ---- reading ----

// Blanks before a line's text, and blanks or the CR of a Windows line end after it.
std::string_view trim(std::string_view text) {
    return platform::text::trim_trailing(platform::text::trim_leading(text, " \t"), " \t\r");
}

// A quoted text at the start of `text`; `text` is left just after the closing quote.
std::optional<std::string> take_quoted(std::string_view& text) {
    if (text.empty() || text.front() != '"') return std::nullopt;
    std::string result;
    for (size_t i = 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            text.remove_prefix(i + 1);
            return result;
        }
        if (c == '\\') {
            if (++i == text.size() || (text[i] != '\\' && text[i] != '"')) return std::nullopt;
            c = text[i];
        }
        result += c;
    }
    return std::nullopt;
}

std::optional<uint32_t> parse_hex_number(std::string_view digits) {
    uint32_t number = 0;
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return number;
}

std::optional<std::vector<uint8_t>> parse_hex_bytes(std::string_view list) {
    std::vector<uint8_t> bytes;
    list = trim(list);
    if (list.empty()) return bytes;
    while (true) {
        size_t comma = list.find(',');
        std::string_view item = trim(list.substr(0, comma));
        auto number = item.size() <= 2 ? parse_hex_number(item) : std::nullopt;
        if (!number) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(*number));
        if (comma == std::string_view::npos) return bytes;
        list.remove_prefix(comma + 1);
    }
}

std::optional<platform::registry::Value> parse_data(std::string_view data) {
    platform::registry::Value value;
    if (data.starts_with('"')) {
        auto text = take_quoted(data);
        if (!text || !trim(data).empty()) return std::nullopt;
        value.type = type::Sz;
        value.data.assign(text->begin(), text->end());
        value.data.push_back(0);
        return value;
    }
    if (data.starts_with("dword:")) {
        std::string_view digits = data.substr(6);
        auto number = digits.size() == 8 ? parse_hex_number(digits) : std::nullopt;
        if (!number) return std::nullopt;
        value.type = type::Dword;
        value.data = {static_cast<uint8_t>(*number), static_cast<uint8_t>(*number >> 8),
                      static_cast<uint8_t>(*number >> 16), static_cast<uint8_t>(*number >> 24)};
        return value;
    }
    if (data.starts_with("hex:")) {
        value.type = type::Binary;
        data.remove_prefix(4);
    } else if (data.starts_with("hex(")) {
        size_t close = data.find("):");
        auto number = close == std::string_view::npos ? std::nullopt : parse_hex_number(data.substr(4, close - 4));
        if (!number) return std::nullopt;
        value.type = *number;
        data.remove_prefix(close + 2);
    } else {
        return std::nullopt;
    }
    auto bytes = parse_hex_bytes(data);
    if (!bytes) return std::nullopt;
    if (is_string_type(value.type)) bytes = utf8_bytes(*bytes);
    if (!bytes) return std::nullopt;
    value.data = std::move(*bytes);
    return value;
}

std::optional<ExportedValue> parse_value_line(std::string_view line) {
    ExportedValue entry;
    if (line.starts_with("@")) {
        line.remove_prefix(1);
    } else {
        auto name = take_quoted(line);
        if (!name) return std::nullopt;
        entry.name = std::move(*name);
    }
    line = trim(line);
    if (!line.starts_with('=')) return std::nullopt;
    auto value = parse_data(trim(line.substr(1)));
    if (!value) return std::nullopt;
    entry.value = std::move(*value);
    return entry;
}

std::optional<ExportedKey> parse_key_line(std::string_view line) {
    size_t close = line.rfind(']');
    if (!line.starts_with('[') || close == std::string_view::npos || !trim(line.substr(close + 1)).empty())
        return std::nullopt;
    std::string_view path = line.substr(1, close - 1);
    size_t split = path.find('\\');
    if (split == std::string_view::npos || split + 1 == path.size()) return std::nullopt;
    auto root = registry_root_named(path.substr(0, split));
    if (!root) return std::nullopt;
    return ExportedKey{*root, std::string(path.substr(split + 1)), {}};
}

// Splits into lines, joining a hex list's continuation lines ("...,\" then "  xx,...").
std::vector<std::string> logical_lines(std::string_view text) {
    std::vector<std::string> lines;
    bool continues = false;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (continues) {
            lines.back() += line;
        } else {
            lines.emplace_back(line);
        }
        continues = lines.back().ends_with('\\') && lines.back().find("=hex") != std::string::npos;
        if (continues) lines.back().pop_back();
    }
    return lines;
}

bool same_value(const platform::registry::Value& a, const platform::registry::Value& b) {
    return a.type == b.type && a.data == b.data;
}

}  // namespace

bool same_export(const RegistryExport& a, const RegistryExport& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const ExportedKey& x, const ExportedKey& y) {
        return x.root == y.root && x.path == y.path &&
               std::equal(x.values.begin(), x.values.end(), y.values.begin(), y.values.end(),
                          [](const ExportedValue& v, const ExportedValue& w) {
                              return v.name == w.name && same_value(v.value, w.value);
                          });
    });
}

std::optional<std::string> format_export(const RegistryExport& keys) {
    std::string out(kHeader);
    out += kLineEnd;
    for (const ExportedKey& key : keys) {
        if (key.path.empty() || !fits_one_line(key.path)) return std::nullopt;
        out += kLineEnd;
        out += '[';
        out += platform::registry::root_name(key.root);
        out += '\\';
        out += key.path;
        out += ']';
        out += kLineEnd;
        for (const ExportedValue& value : key.values) {
            if (!fits_one_line(value.name)) return std::nullopt;
            append_value(out, value);
        }
    }
    out += kLineEnd;
    return out;
}

std::optional<RegistryExport> parse_export(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    RegistryExport keys;
    bool header_seen = false;
    for (const std::string& line : logical_lines(text)) {
        if (line.empty() || line.starts_with(';')) continue;
        if (!header_seen) {
            if (line != kHeader) return std::nullopt;
            header_seen = true;
        } else if (line.starts_with('[')) {
            auto key = parse_key_line(line);
            if (!key) return std::nullopt;
            keys.push_back(std::move(*key));
        } else {
            auto value = keys.empty() ? std::nullopt : parse_value_line(line);
            if (!value) return std::nullopt;
            keys.back().values.push_back(std::move(*value));
        }
    }
    if (!header_seen) return std::nullopt;
    return keys;
}

}  // namespace engine::regcleaner
