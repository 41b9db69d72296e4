#include "platform/text/bar_list.h"

#include "platform/text/split.h"

namespace platform::text {

std::string trim_bars(std::string_view list) {
    if (list.starts_with('|')) list.remove_prefix(1);
    if (list.ends_with('|')) list.remove_suffix(1);
    return std::string(list);
}

std::vector<std::string> split_bars(std::string_view list) {
    if (list.empty()) return {};
    return split(list, '|');
}

std::vector<std::string> bar_items(std::string_view list) { return split_bars(trim_bars(list)); }

std::vector<std::string> non_empty_bar_items(std::string_view list) {
    auto items = split_bars(list);
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

}  // namespace platform::text
