#pragma once
// Messages with places for values, as the message files write them.
#include <string>
#include <string_view>
#include <vector>

namespace app {

// A message text with its places filled: every "%1" becomes values[0], "%2" values[1], ... A
// value is never searched again, so a drive or file name that holds "%2" stays as it is.
std::string fill_in(std::string_view text, const std::vector<std::string>& values);

}  // namespace app
