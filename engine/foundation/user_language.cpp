#include "engine/foundation/user_language.h"

#include "engine/foundation/app_settings.h"
#include "platform/sys/user_locale.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::to_upper;

std::string user_language() {
    return GetSetting("Orvane", "Lang", "Lang", platform::sys::user_locale_is_german() ? "Deutsch" : "English");
}

bool is_german(std::string_view language_name) {
    const std::string upper = to_upper(language_name);
    return upper == "DEUTSCH" || upper == "DUETSCH";
}

}  // namespace engine
