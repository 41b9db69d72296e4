#pragma once
// A JSON string for code that assembles its document by hand (the command line's reports).
#include <string>
#include <string_view>

namespace platform::json {

// `text` quoted, with ", \ and control characters escaped and bytes that are not UTF-8 written
// as U+FFFD, the way to_text (platform/json/json_text.h) writes every string.
std::string json_string(std::string_view text);

}  // namespace platform::json
