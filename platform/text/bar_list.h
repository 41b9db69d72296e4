#pragma once
// Lists joined by "|", as they cross between the screens and the program and as the engine keeps
// some of its own. Such a list often arrives with a bar at either end; a receiver strips one of each.
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {

// At most one leading and one trailing "|" removed; inner separators stay ("||a|b||" -> "|a|b|").
std::string trim_bars(std::string_view list);

// The items of a list in order: every "|" separates two of them, empty ones included; an empty
// text has no items. The ends are taken as they are: trim_bars first where they may carry bars.
std::vector<std::string> split_bars(std::string_view list);
// The items of a list after trim_bars, empty ones included.
std::vector<std::string> bar_items(std::string_view list);
// The items without empty ones, the way a list is rebuilt before it is sent again.
std::vector<std::string> non_empty_bar_items(std::string_view list);

std::string join_bars(const std::vector<std::string>& items);

// Every occurrence of `item` removed from the text of a list: a plain text replacement, the way
// the found-item lists are kept.
void remove_every(std::string& list, std::string_view item);

}  // namespace platform::text
