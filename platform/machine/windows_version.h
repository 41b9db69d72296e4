#pragma once
// Which Windows a machine is, named as Wine names versions ("win98", "winxp", "win10").
#include <string>

#include "platform/registry/registry.h"

namespace platform::machine_detail {

// Wine's own setting first (HKCU, then HKLM \Software\Wine "Version"), else what the Windows
// keys of the registry say; "" when they say nothing.
std::string windows_version(const registry::Registry& registry);

}  // namespace platform::machine_detail
