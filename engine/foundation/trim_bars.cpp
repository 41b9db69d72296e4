#include "engine/foundation/trim_bars.h"

namespace engine {

std::string TrimBars(std::string_view text) {
    if (text.starts_with('|')) text.remove_prefix(1);
    if (text.ends_with('|')) text.remove_suffix(1);
    return std::string(text);
}

std::vector<std::string> split_bars(std::string_view list) {
    std::vector<std::string> items;
    if (list.empty()) return items;
    while (true) {
        size_t bar = list.find('|');
        items.emplace_back(list.substr(0, bar));
        if (bar == std::string_view::npos) return items;
        list.remove_prefix(bar + 1);
    }
}

}  // namespace engine
