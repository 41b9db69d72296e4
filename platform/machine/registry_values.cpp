#include "platform/machine/registry_values.h"

#include <vector>

namespace platform::machine_detail {

std::optional<std::string> read_string(const registry::Registry& registry, registry::Root root, std::string_view key,
                                       std::string_view name) {
    registry::Value value;
    if (registry.query_value(root, key, name, value) != registry::Status::Ok) return std::nullopt;
    if (value.type != registry::type::Sz && value.type != registry::type::ExpandSz) return std::nullopt;
    std::string text(value.data.begin(), value.data.end());
    return text.substr(0, text.find('\0'));
}

void write_string(registry::Registry& registry, registry::Root root, std::string_view key, std::string_view name,
                  std::string_view text, uint32_t type) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    registry.create_key(root, key);
    registry.set_value(root, key, name, type, data);
}

}  // namespace platform::machine_detail
