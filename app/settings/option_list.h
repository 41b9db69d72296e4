#pragma once
// The argument of a cleaning or options command: positional flags separated by ",", one position
// per item of that screen in the order its feature defines.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

class OptionList {
public:
    explicit OptionList(std::string_view args);

    // Ticked when the position, trimmed, is exactly "1" or "true". A position the list does not
    // reach (a shorter list than the screen's table) is not ticked.
    bool ticked(size_t position) const;
    // For switches that can also be left alone: true for "1"/"true", false for "0"/"false",
    // nullopt for any other text or a missing position.
    std::optional<bool> setting(size_t position) const;
    // The position's text as sent; "" beyond the end.
    std::string text(size_t position) const;
    size_t size() const { return positions_.size(); }

private:
    std::vector<std::string> positions_;
};

}  // namespace app
