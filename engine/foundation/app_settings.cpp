#include "engine/foundation/app_settings.h"

#include "engine/foundation/engine_error.h"
#include "engine/foundation/registry_tree.h"
#include "platform/machine/machine.h"

namespace engine {

namespace {

using platform::registry::Root;
using platform::registry::Status;

platform::registry::Registry& registry() { return platform::current_machine().registry(); }

std::string section_key(std::string_view app, std::string_view section) {
    std::string key = "Software\\VB and VBA Program Settings\\" + std::string(app);
    if (!section.empty()) key += "\\" + std::string(section);
    return key;
}

bool read_string(std::string_view key, std::string_view name, std::string& out) {
    platform::registry::Value value;
    if (registry().query_value(Root::CurrentUser, key, name, value) != Status::Ok) return false;
    if (value.type != platform::registry::type::Sz && value.type != platform::registry::type::ExpandSz) return false;
    out.assign(value.data.begin(), value.data.end());
    if (size_t nul = out.find('\0'); nul != std::string::npos) out.resize(nul);
    return true;
}

}  // namespace

std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                       std::string_view default_value) {
    std::string text;
    if (read_string(section_key(app, section), key, text)) return text;
    return std::string(default_value);
}

void SaveSetting(std::string_view app, std::string_view section, std::string_view key, std::string_view value) {
    std::string path = section_key(app, section);
    std::string data(value);
    data.push_back('\0');
    Status status = registry().create_key(Root::CurrentUser, path);
    if (status == Status::Ok) {
        status = registry().set_value(Root::CurrentUser, path, key, platform::registry::type::Sz,
                                      {reinterpret_cast<const uint8_t*>(data.data()), data.size()});
    }
    if (status != Status::Ok) {
        throw EngineError(5, "Tavrin", "Could not save the setting " + path + "\\" + std::string(key));
    }
}

bool DeleteSetting(std::string_view app, std::string_view section, std::string_view key) {
    return registry().delete_value(Root::CurrentUser, section_key(app, section), key) == Status::Ok;
}

bool DeleteSetting(std::string_view app, std::string_view section) {
    std::string path = section_key(app, section);
    if (section.empty() || !registry().key_exists(Root::CurrentUser, path)) return false;
    return delete_registry_tree(registry(), Root::CurrentUser, path);
}

std::vector<std::pair<std::string, std::string>> GetAllSettings(std::string_view app, std::string_view section) {
    std::vector<std::pair<std::string, std::string>> settings;
    std::string path = section_key(app, section);
    for (const std::string& name : registry().value_names(Root::CurrentUser, path)) {
        std::string text;
        if (read_string(path, name, text)) settings.emplace_back(name, std::move(text));
    }
    return settings;
}

}  // namespace engine
