#pragma once
// Reading a JSON document another program wrote (a browser's settings): the names of the members
// of one object inside it.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::json {

// The member names, in the document's order, of the object reached from the top through the
// members `path` names ({"profile", "info_cache"}); none when the path leads to no object.
// nullopt when the text is no JSON document.
std::optional<std::vector<std::string>> object_keys(std::string_view text, const std::vector<std::string>& path);

}  // namespace platform::json
