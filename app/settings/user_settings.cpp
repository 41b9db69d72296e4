#include "app/settings/user_settings.h"

#include "engine/foundation/app_settings.h"
#include "engine/foundation/user_language.h"

namespace app::user_settings {

namespace {
constexpr const char* kApp = "Orvane";
}

std::string read(const std::string& section, const std::string& key, const std::string& default_value) {
    return engine::GetSetting(kApp, section, key, default_value);
}

void save(const std::string& section, const std::string& key, const std::string& value) {
    engine::SaveSetting(kApp, section, key, value);
}

std::string language() {
    return engine::user_language();
}

void save_language(const std::string& name) {
    save("Lang", "Lang", name);
}

}  // namespace app::user_settings
