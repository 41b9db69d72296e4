#pragma once
// Small text rules the screens' protocol is built on.
#include <string>
#include <string_view>
#include <vector>

#include "engine/foundation/text.h"

namespace app {

using engine::iequals;
using engine::to_upper;

// Leading and trailing blanks (spaces) removed, as the command and list rules define "trimmed".
std::string_view trim_blanks(std::string_view text);
bool contains_ignoring_case(std::string_view text, std::string_view part);
std::vector<std::string> split(std::string_view text, char separator);

}  // namespace app
