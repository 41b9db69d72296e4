#pragma once
// JSON as it goes out to the pages.
#include <string>

#include <nlohmann/json.hpp>

namespace platform::movie {

// Program text (file names from a machine, registry data) need not be valid UTF-8; a stray byte is
// sent as U+FFFD instead of failing the whole event or answer.
inline std::string to_text(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace platform::movie
