#include "platform/json/json_string.h"

#include "platform/json/json_text.h"

namespace platform::json {

std::string json_string(std::string_view text) { return to_text(nlohmann::json(text)); }

}  // namespace platform::json
