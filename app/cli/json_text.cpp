#include "app/cli/json_text.h"

#include <cstdio>

namespace app::cli {

std::string json_string(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

}  // namespace app::cli
