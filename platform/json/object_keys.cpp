#include "platform/json/object_keys.h"

#include <nlohmann/json.hpp>

namespace platform::json {

std::optional<std::vector<std::string>> object_keys(std::string_view text, const std::vector<std::string>& path) {
    // The order a browser wrote its members in is kept: that is the order its profiles were made.
    const auto document = nlohmann::ordered_json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (document.is_discarded()) return std::nullopt;
    const nlohmann::ordered_json* node = &document;
    for (const auto& name : path) {
        if (!node->is_object() || !node->contains(name)) return std::vector<std::string>{};
        node = &node->at(name);
    }
    std::vector<std::string> keys;
    if (node->is_object())
        for (const auto& member : node->items()) keys.push_back(member.key());
    return keys;
}

}  // namespace platform::json
