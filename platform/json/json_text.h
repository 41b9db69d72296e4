#pragma once
// The one way the program writes JSON, to the pages and on the command line. Program text (file
// names from a machine, registry data) need not be valid UTF-8; each stray byte is written as
// U+FFFD, so a reader always gets a valid document instead of the program failing half-way.
#include <string>

#include <nlohmann/json.hpp>

namespace platform::json {

inline std::string to_text(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace platform::json
