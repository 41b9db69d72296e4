#pragma once
// The items a command line names ("ie.cookies", "windows.run-dialog", "plugins.WinZip"): the tick
// boxes of the cleaning screens that the unattended run knows, and the plug-ins of the machine's
// plug-in file; a category ("ie", "plugins") stands for all its items. A name that is none of
// these is refused with the names closest to it.
#include <stdexcept>
#include <string>
#include <vector>

namespace app::cli {

// A failure the user can mend: said in words (or as JSON), status 1.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ChosenItems {
    std::vector<std::string> check_boxes;   // "_root.IE_CO", in the order given
    std::vector<std::string> plugin_names;  // as the plug-in file spells them
};

// Throws CommandError for a name that is no item. Plug-ins are read from the plug-in file only
// when a name needs them.
ChosenItems choose_items(const std::vector<std::string>& names);

}  // namespace app::cli
