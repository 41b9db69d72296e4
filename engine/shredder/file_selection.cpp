#include "engine/shredder/file_selection.h"

#include <algorithm>

#include "engine/foundation/text.h"

namespace engine {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The part after the last dot, or the whole name when it has none, lower-cased.
std::string lower_extension(std::string_view name) {
    const auto dot = name.rfind('.');
    std::string extension(dot == std::string_view::npos ? name : name.substr(dot + 1));
    std::ranges::transform(extension, extension.begin(), lower);
    return extension;
}

}  // namespace

bool FileSelection::selects(std::string_view name, uint64_t size) const {
    if (name.find('.') == std::string_view::npos && iequals(name, extension)) return true;
    const bool size_bounded = max_bytes != 0 || min_bytes != 0;
    const auto bytes = static_cast<double>(size);
    const bool size_fits = !size_bounded || (min_bytes <= bytes && bytes <= max_bytes);
    if (extension == "*") return size_fits;
    return size_fits && lower_extension(name) == extension;
}

}  // namespace engine
