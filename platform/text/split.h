#pragma once
// A text cut at every separator.
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {

// The pieces between separators, in order, empty ones included: "a,,b" gives "a", "", "b" and an
// empty text one empty piece.
std::vector<std::string> split(std::string_view text, char separator);

}  // namespace platform::text
