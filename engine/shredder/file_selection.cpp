#include "engine/shredder/file_selection.h"

#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::iequals;

namespace {

// The part after the last dot, or the whole name when it has none, lower-cased.
std::string lower_extension(std::string_view name) {
    const auto dot = name.rfind('.');
    return platform::text::to_lower(dot == std::string_view::npos ? name : name.substr(dot + 1));
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
