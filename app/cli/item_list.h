#pragma once
// `tavrinapp list`: the cleaning categories with the items a command line can name, the label
// and the tick box (option) of each on its screen, then the machine's plug-ins, in words or as
// JSON.
#include <ostream>

namespace app::cli {

void list_items(bool json, std::ostream& out);

}  // namespace app::cli
