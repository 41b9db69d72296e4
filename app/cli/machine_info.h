#pragma once
// --info: what a machine holds, printed without changing anything in it.
#include <ostream>

namespace platform {
class Machine;
}

namespace app::cli {

// The folder, the Windows version, the drives with their type and free space, and the user's folders.
void print_machine_info(platform::Machine& machine, std::ostream& out);

}  // namespace app::cli
