#pragma once
// The little JSON the command line writes: strings quoted and escaped.
#include <string>
#include <string_view>

namespace app::cli {

// "text" with ", \ and control characters escaped.
std::string json_string(std::string_view text);

}  // namespace app::cli
