#pragma once
// Bar-joined lists ("a|b|c") often arrive with a bar at either end; receivers strip one of each.
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// Removes at most one leading and one trailing "|".
std::string TrimBars(std::string_view text);

// The items of a bar-joined list in order: every "|" separates two of them, empty ones included;
// an empty text has no items. Callers strip the ends with TrimBars first where the list may carry them.
std::vector<std::string> split_bars(std::string_view list);

}  // namespace engine
