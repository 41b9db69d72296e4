#include "app/settings/profile_store.h"

#include "engine/foundation/cregistry.h"
#include "engine/foundation/profile_key.h"
#include "platform/registry/registry.h"

namespace app::profile_store {

namespace {

using engine::kProfilesKey;

std::string key_path(const std::string& profile, const std::string& key) {
    return std::string(kProfilesKey) + "\\" + profile + "\\" + key;
}

}  // namespace

bool usable_name(std::string_view name) { return platform::registry::is_key_name(name); }

std::vector<std::string> profiles() {
    engine::cRegistry registry;
    registry.ClassKey(engine::HKEY_CURRENT_USER);
    registry.SectionKey(kProfilesKey);
    std::vector<std::string> names;
    int32_t count = 0;
    registry.EnumerateSections(names, count);
    return names;
}

std::string read(const std::string& profile, const std::string& key, const std::string& name) {
    engine::cRegistry registry;
    return registry.ValueEx(engine::HKEY_CURRENT_USER, key_path(profile, key), name, engine::REG_SZ, "").to_text();
}

void write(const std::string& profile, const std::string& key, const std::string& name, const std::string& value) {
    engine::cRegistry registry;
    registry.ValueEx(engine::HKEY_CURRENT_USER, key_path(profile, key), name, engine::REG_SZ, "", value);
}

void remove(const std::string& profile) {
    engine::cRegistry registry;
    std::string key = std::string("HKEY_CURRENT_USER\\") + kProfilesKey + "\\" + profile;
    registry.del_reg_sub(key);
}

}  // namespace app::profile_store
