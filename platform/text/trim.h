#pragma once
// Blanks cut from the ends of a text. "Blank" means a space unless the caller names its own set
// (a profile file also counts tabs, line ends and Ctrl-Z): the one place texts are trimmed.
#include <string_view>

namespace platform::text {

inline constexpr std::string_view kSpace = " ";

inline std::string_view trim_leading(std::string_view text, std::string_view blanks = kSpace) {
    size_t first = 0;
    while (first < text.size() && blanks.find(text[first]) != std::string_view::npos) ++first;
    return text.substr(first);
}

inline std::string_view trim_trailing(std::string_view text, std::string_view blanks = kSpace) {
    size_t end = text.size();
    while (end > 0 && blanks.find(text[end - 1]) != std::string_view::npos) --end;
    return text.substr(0, end);
}

inline std::string_view trim_blanks(std::string_view text, std::string_view blanks = kSpace) {
    return trim_trailing(trim_leading(text, blanks), blanks);
}

// Whether the text holds nothing but blanks (or nothing at all).
inline bool is_blank(std::string_view text, std::string_view blanks = kSpace) {
    return trim_leading(text, blanks).empty();
}

}  // namespace platform::text
