#pragma once
// Environment variables as Windows keeps them: names without regard to case, and %VAR% expansion.
#include <map>
#include <string>
#include <string_view>

namespace platform::sys {

// Variable names compare without regard to case, as on Windows.
struct NameLess {
    bool operator()(std::string_view a, std::string_view b) const;
    static bool equal(std::string_view a, std::string_view b);
    using is_transparent = void;
};
using Environment = std::map<std::string, std::string, NameLess>;

// ExpandEnvironmentStrings: every %NAME% of a known variable is replaced; unknown names and a
// lone "%" stay as written.
std::string expand_environment_strings(std::string_view text, const Environment& environment);

}  // namespace platform::sys
