#include "platform/fs/windows_path.h"

#include <algorithm>
#include <array>

#include "platform/text/ascii_case.h"

namespace platform::fs::detail {

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

// Control characters and <>:"|?*, by byte: every path the program touches passes here.
constexpr std::array<bool, 256> kForbidden = [] {
    std::array<bool, 256> forbidden{};
    for (int c = 0; c < 0x20; ++c) forbidden[c] = true;
    for (char c : std::string_view("<>:\"|?*")) forbidden[static_cast<unsigned char>(c)] = true;
    return forbidden;
}();

bool is_forbidden(char c) { return kForbidden[static_cast<unsigned char>(c)]; }

bool has_forbidden_character(std::string_view name) { return std::any_of(name.begin(), name.end(), is_forbidden); }

std::string_view strip_prefix(std::string_view path) {
    for (std::string_view prefix : {"\\\\?\\", "\\\\.\\", "//?/", "//./"}) {
        if (path.starts_with(prefix)) return path.substr(prefix.size());
    }
    return path;
}

}  // namespace

std::string WindowsPath::text() const {
    std::string text{drive, ':', '\\'};
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += '\\';
        text += parts[i];
    }
    return text;
}

WindowsPath WindowsPath::child(std::string_view name) const {
    WindowsPath result = *this;
    result.parts.emplace_back(name);
    return result;
}

std::optional<WindowsPath> parse_windows_path(std::string_view path) {
    std::string_view rest = strip_prefix(path);
    bool has_drive = rest.size() >= 2 && rest[1] == ':' &&
                     ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'));
    // "C:name" is relative to a current folder of drive C:, which this platform does not keep.
    if (!has_drive || (rest.size() > 2 && !is_separator(rest[2]))) return std::nullopt;

    WindowsPath result;
    result.drive = text::ascii_upper(rest[0]);
    size_t pos = 2;
    while (pos < rest.size()) {
        size_t end = pos;
        while (end < rest.size() && !is_separator(rest[end])) ++end;
        std::string_view name = rest.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!result.parts.empty()) result.parts.pop_back();
            continue;
        }
        // Names are taken literally: Win32 would drop trailing dots and blanks, but on this host
        // "secret." and "secret" are two files, and deleting one must never hit the other.
        if (has_forbidden_character(name)) return std::nullopt;
        result.parts.emplace_back(name);
    }
    return result;
}

bool is_plain_name(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           std::none_of(name.begin(), name.end(), [](char c) { return is_separator(c) || is_forbidden(c); });
}

std::optional<SearchPattern> parse_search_pattern(std::string_view pattern) {
    size_t last = pattern.find_last_of("\\/");
    if (last == std::string_view::npos || last + 1 >= pattern.size()) return std::nullopt;
    std::string_view mask = pattern.substr(last + 1);
    if (mask.find(':') != std::string_view::npos) return std::nullopt;
    auto folder = parse_windows_path(pattern.substr(0, last + 1));
    if (!folder) return std::nullopt;
    return SearchPattern{std::move(*folder), std::string(mask)};
}

}  // namespace platform::fs::detail
