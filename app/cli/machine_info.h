#pragma once
// --info: what a machine holds, printed without changing anything in it, in the language the
// command line speaks there.
#include <ostream>

#include "app/kernel/removal_report.h"

namespace platform {
class Machine;
}

namespace app::cli {

// The folder, the kind and why it is only read (an offline Windows installation), the Windows
// version, the drives with their type and free space, and the user's folders.
void print_machine_info(platform::Machine& machine, const Texts& texts, std::ostream& out);

}  // namespace app::cli
