#include "app/features/startup/list_items.h"

#include <algorithm>

#include "app/kernel/text.h"

namespace app {

std::string shown_item(std::string_view text) {
    std::string shown = to_upper(text);
    std::erase(shown, '"');
    std::replace(shown.begin(), shown.end(), '|', '/');
    return shown;
}

bool names_entry(std::string_view sent, std::string_view name) {
    return iequals(sent, name) || iequals(sent, shown_item(name));
}

}  // namespace app
