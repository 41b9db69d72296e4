#include "app/kernel/text.h"

namespace app {

bool contains_ignoring_case(std::string_view text, std::string_view part) {
    return to_upper(text).find(to_upper(part)) != std::string::npos;
}

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        auto end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

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
