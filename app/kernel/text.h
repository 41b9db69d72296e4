#pragma once
// Small text rules the screens' protocol is built on.
#include <string>
#include <string_view>
#include <vector>

#include "engine/foundation/text.h"

namespace app {

using engine::iequals;
using engine::to_lower;
using engine::to_upper;
using engine::trim_blanks;

bool contains_ignoring_case(std::string_view text, std::string_view part);
std::vector<std::string> split(std::string_view text, char separator);
// A message text with its places filled: every "%1" becomes values[0], "%2" values[1], ... A
// value is never searched again, so a drive or file name that holds "%2" stays as it is.
std::string fill_in(std::string_view text, const std::vector<std::string>& values);

}  // namespace app
