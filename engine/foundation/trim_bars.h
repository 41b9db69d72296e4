#pragma once
// Bar-joined lists ("a|b|c") often arrive with a bar at either end; receivers strip one of each.
#include <string>
#include <string_view>

namespace engine {

// Removes at most one leading and one trailing "|".
std::string TrimBars(std::string_view text);

}  // namespace engine
