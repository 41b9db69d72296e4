#include "engine/foundation/trim_bars.h"

namespace engine {

std::string TrimBars(std::string_view text) {
    if (text.starts_with('|')) text.remove_prefix(1);
    if (text.ends_with('|')) text.remove_suffix(1);
    return std::string(text);
}

}  // namespace engine
