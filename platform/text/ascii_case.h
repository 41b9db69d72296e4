#pragma once
// Letter case the way the Windows APIs the program stands on treat it: ASCII letters only, so a
// name compares the same whatever locale the user runs in. The one place case is folded by hand.
#include <algorithm>
#include <string>
#include <string_view>

namespace platform::text {

constexpr char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string to_upper(std::string_view text) {
    std::string result(text);
    std::ranges::transform(result, result.begin(), ascii_upper);
    return result;
}

inline std::string to_lower(std::string_view text) {
    std::string result(text);
    std::ranges::transform(result, result.begin(), ascii_lower);
    return result;
}

inline bool iequals(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

inline bool istarts_with(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && iequals(text.substr(0, prefix.size()), prefix);
}

// Whether `a` sorts before `b` with ASCII letter case ignored.
inline bool iless(std::string_view a, std::string_view b) {
    return std::ranges::lexicographical_compare(a, b, [](char x, char y) { return ascii_lower(x) < ascii_lower(y); });
}

inline bool contains_ignoring_case(std::string_view text, std::string_view part) {
    for (size_t at = 0; at + part.size() <= text.size(); ++at)
        if (iequals(text.substr(at, part.size()), part)) return true;
    return false;
}

}  // namespace platform::text
