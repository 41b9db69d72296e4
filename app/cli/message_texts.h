#pragma once
// The message texts of the command line in the language the screens speak on the machine: the
// stored choice of the language chooser, or where nobody chose, the user's locale. They are read
// from the skin beside the program, which ships both message files, so that a machine the
// program never opened speaks as well.
#include "app/kernel/removal_report.h"

namespace app::cli {

// Needs the current machine (for the stored choice).
Texts message_texts();

}  // namespace app::cli
