#pragma once
// Lists that cross between movie and program as texts joined by "|".
#include <string>
#include <string_view>
#include <vector>

#include "engine/foundation/trim_bars.h"

namespace app {

// One leading and one trailing "|" removed; inner separators stay ("||a|b||" -> "|a|b|"). The
// engine strips the lists it receives by the same rule, so both sides share it.
using engine::TrimBars;
// The items of a list after TrimBars, in order; empty items are kept (callers decide).
std::vector<std::string> bar_items(std::string_view list);
// The items without empty ones, the way a list is rebuilt before it is pushed again.
std::vector<std::string> non_empty_bar_items(std::string_view list);
std::string join_bars(const std::vector<std::string>& items);
// Every occurrence of `item` removed from the text of a list (a plain text replacement, as the
// found-item lists are kept).
void remove_every(std::string& list, std::string_view item);

}  // namespace app
