#pragma once
// Windows compares file names without regard to case, over all of Unicode, while the host's
// names are byte strings; these helpers compare the way Windows would.
#include <string>
#include <string_view>

namespace platform::fs::detail {

// The name as lower-case code points. Bytes that are not valid UTF-8 stay distinct code points,
// so a broken name still only matches itself.
std::u32string fold_case(std::string_view utf8);

bool same_name(std::string_view a, std::string_view b);

}  // namespace platform::fs::detail
