#include "app/settings/option_list.h"

#include "platform/text/split.h"
#include "platform/text/trim.h"

namespace app {

using platform::text::split;
using platform::text::trim_blanks;

OptionList::OptionList(std::string_view args) : positions_(split(args, ',')) {}

std::string OptionList::text(size_t position) const {
    return position < positions_.size() ? positions_[position] : std::string();
}

bool OptionList::ticked(size_t position) const {
    return setting(position) == true;
}

std::optional<bool> OptionList::setting(size_t position) const {
    // The trimmed view must look into a string that outlives it, not into text()'s temporary.
    const std::string sent = text(position);
    const std::string_view value = trim_blanks(sent);
    if (value == "1" || value == "true") return true;
    if (value == "0" || value == "false") return false;
    return std::nullopt;
}

}  // namespace app
