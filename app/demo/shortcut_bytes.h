#pragma once
// A Windows shortcut (.lnk) to a local file, in the Shell Link binary format, as the shell writes
// one into the Recent folder: only the link information with the target's full path.
#include <string>

namespace app::demo {

std::string shortcut_bytes(const std::string& target);

}  // namespace app::demo
