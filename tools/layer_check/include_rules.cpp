#include "include_rules.h"

namespace layer_check {

namespace {

// The standard library's headers are one lower-case word: <string>, <cstdint>, <string_view>.
bool is_standard_header(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
    return true;
}

}  // namespace

std::optional<int> layer_of(const std::string& path) {
    if (path.starts_with("platform/")) return 0;
    if (path.starts_with("engine/")) return 1;
    if (path.starts_with("app/")) return 2;
    return std::nullopt;
}

std::optional<std::string> include_fault(const std::string& file, const std::string& header, bool angled) {
    const auto own = layer_of(file);
    if (!own) return std::nullopt;
    if (angled) {
        if (*own == 0 || is_standard_header(header)) return std::nullopt;
        return "includes the host or library header <" + header +
               ">: only platform/ may; wrap what you need in a platform/ function and include that";
    }
    const auto target = layer_of(header);
    if (!target) return "includes \"" + header + "\", which is not in app/, engine/ or platform/";
    if (*target > *own) {
        return "includes \"" + header +
               "\", a layer above its own (app -> engine -> platform): move what both need down, or hand it in "
               "from above (an event, a callback)";
    }
    if (*own == 1 && header.starts_with("platform/movie/"))
        return "includes \"" + header + "\": the movie player belongs to the program, not to the engine";
    if (header.starts_with("app/features/") && !file.starts_with("app/features/") &&
        file != "app/program/feature_rows.cpp")
        return "includes \"" + header +
               "\": features are reached only through register_features (app/program/feature_rows.cpp)";
    return std::nullopt;
}

}  // namespace layer_check
