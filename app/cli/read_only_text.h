#pragma once
// Why a machine is only read, in the language the command line speaks there.
#include <string>

#include "app/kernel/removal_report.h"
#include "platform/machine/machine.h"

namespace app::cli {

std::string read_only_text(const platform::ReadOnlyCause& cause, const Texts& texts);

}  // namespace app::cli
