#pragma once
// Why a machine is only read, in the language of the moment: the command line prints it, the
// screens show it from the start and refuse every change with it.
#include <functional>
#include <string>
#include <string_view>

#include "platform/machine/machine.h"

namespace app {

std::string read_only_text(const platform::ReadOnlyCause& cause,
                           const std::function<std::string(std::string_view message_key)>& texts);

}  // namespace app
