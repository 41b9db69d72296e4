#include "platform/sys/user_locale.h"

#include <cstdlib>
#include <string_view>

namespace platform::sys {

bool user_locale_is_german() {
    // The first variable that is set and not empty decides, as in the C library.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        const std::string_view locale = value;
        if (!locale.starts_with("de")) return false;
        return locale.size() == 2 || std::string_view("_.@").find(locale[2]) != std::string_view::npos;
    }
    return false;
}

}  // namespace platform::sys
