#pragma once
// The two text forms a registry name or string lives in: UTF-8 at the API, UTF-16 in Wine's model
// of the registry (and so in its hive files), plus the case-insensitive order Wine sorts by.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::registry {

// Invalid sequences become U+FFFD, as the Windows conversion functions do.
std::u16string utf8_to_utf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);

// Wine compares names unit by unit on their lower-case UTF-16 form, a shorter name first.
int compare_names(std::string_view a, std::string_view b);
inline bool names_equal(std::string_view a, std::string_view b) { return compare_names(a, b) == 0; }

// Length in UTF-16 units: what the registry counts as a name's characters.
size_t utf16_length(std::string_view utf8);

}  // namespace platform::registry
