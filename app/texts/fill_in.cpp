#include "app/texts/fill_in.h"

namespace app {

std::string fill_in(std::string_view text, const std::vector<std::string>& values) {
    std::string filled;
    for (size_t at = 0; at < text.size(); ++at) {
        const char next = at + 1 < text.size() ? text[at + 1] : '\0';
        const bool place =
            text[at] == '%' && next >= '1' && next <= '9' && static_cast<size_t>(next - '1') < values.size();
        if (!place) {
            filled += text[at];
            continue;
        }
        filled += values[static_cast<size_t>(next - '1')];
        ++at;
    }
    return filled;
}

}  // namespace app
