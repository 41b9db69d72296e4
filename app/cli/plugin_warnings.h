#pragma once
// Plug-ins that warn before their first run, cleaned from the command line as from their screen:
// the warning is shown before the first clean, and the plug-in runs only when the user goes on.
// A person at a terminal is asked; a script goes on only with --accept-warnings, since nobody
// would read the question. Going on is noted in the plug-in file (WarningSeen), which the screen
// reads too, so neither asks again.
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "app/kernel/removal_report.h"

namespace app::cli {

// Of the plug-ins named (as the plug-in file spells them), those to clean: the ones without a
// warning or whose warning was seen before, and those whose warning is accepted now. Each warning
// is written to `err`; a declined plug-in is refused in the removal log being recorded, under its
// item name, so that the run reports it and ends with the status for refusals.
std::vector<std::string> after_warnings(const std::vector<std::string>& names, bool accepted, const Texts& texts,
                                        std::istream& in, std::ostream& err);

}  // namespace app::cli
