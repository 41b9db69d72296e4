#pragma once
// Windows compares file names without regard to case, over all of Unicode, while the host's
// names are byte strings; these helpers compare the way Windows would.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform::text {

// The name as lower-case code points. Bytes that are not valid UTF-8 stay distinct code points,
// so a broken name still only matches itself.
std::u32string fold_case(std::string_view utf8);

// Whether the two names are the same once folded, compared code point by code point in place.
bool same_name(std::string_view a, std::string_view b);

// A hash of fold_case(utf8), computed in place: names that are the same_name hash alike. For
// sets of paths looked up by the ten thousand, where folding each into a string of its own
// would cost more than the look-up.
size_t folded_hash(std::string_view utf8);

}  // namespace platform::text
