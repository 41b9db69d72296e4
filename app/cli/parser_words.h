#pragma once
// The argument parser speaking the message texts: the headings of help and the descriptions,
// which the command line gives the parser as message keys, and the usage errors, each naming the
// option or word that is wrong.
#include <string>

#include "app/kernel/removal_report.h"
#include "platform/args/argument_parser.h"

namespace app::cli {

platform::args::HelpWords help_words(const Texts& texts);

std::string usage_error_text(const platform::args::UsageError& error, const Texts& texts);

}  // namespace app::cli
