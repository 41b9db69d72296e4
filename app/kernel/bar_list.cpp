#include "app/kernel/bar_list.h"

#include "app/kernel/text.h"

namespace app {

std::vector<std::string> bar_items(std::string_view list) {
    auto stripped = TrimBars(list);
    if (stripped.empty()) return {};
    return split(stripped, '|');
}

std::vector<std::string> non_empty_bar_items(std::string_view list) {
    auto items = split(list, '|');
    std::erase_if(items, [](const std::string& item) { return item.empty(); });
    return items;
}

std::string join_bars(const std::vector<std::string>& items) {
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) joined += '|';
        joined += items[i];
    }
    return joined;
}

void remove_every(std::string& list, std::string_view item) {
    if (item.empty()) return;
    for (auto at = list.find(item); at != std::string::npos; at = list.find(item, at)) list.erase(at, item.size());
}

}  // namespace app
