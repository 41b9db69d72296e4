#include "platform/sys/environment.h"

#include "platform/text/ascii_case.h"

namespace platform::sys {

bool NameLess::operator()(std::string_view a, std::string_view b) const { return text::iless(a, b); }

bool NameLess::equal(std::string_view a, std::string_view b) { return text::iequals(a, b); }

std::string expand_environment_strings(std::string_view text, const Environment& env) {
    std::string result;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find('%', pos);
        size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            result.append(text.substr(pos));
            break;
        }
        result.append(text.substr(pos, open - pos));
        std::string_view name = text.substr(open + 1, close - open - 1);
        auto found = name.empty() ? env.end() : env.find(name);
        if (found != env.end()) {
            result += found->second;
        } else {
            result.append(text.substr(open, close - open + 1));
        }
        pos = close + 1;
    }
    return result;
}

}  // namespace platform::sys
