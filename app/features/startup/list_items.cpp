#include "app/features/startup/list_items.h"

#include <algorithm>

#include "platform/text/ascii_case.h"

namespace app {

using platform::text::iequals;
using platform::text::to_upper;

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
