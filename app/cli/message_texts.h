#pragma once
// The message texts of the command line in the language the screens speak on the machine: the
// stored choice of the language chooser, or where nobody chose, the user's locale. They are read
// from the skin beside the program, which ships both message files, so that a machine the
// program never opened speaks as well.
#include <string>
#include <vector>

#include "app/kernel/removal_report.h"

namespace app::cli {

// Needs the current machine (for the stored choice).
Texts message_texts();
// The texts of the language of that name ("English", "Deutsch").
Texts message_texts_in(const std::string& language);

// For what is said before a machine is opened, --help and usage errors: the language of the
// machine the arguments name (--machine and --user, or the default sandbox), read without holding
// the machine and changing nothing; the user's locale's where no machine can be read. Never fails.
Texts message_texts_before_opening(const std::vector<std::string>& args);
// The name of that language, as the screens are told it.
std::string language_before_opening(const std::vector<std::string>& args);

}  // namespace app::cli
