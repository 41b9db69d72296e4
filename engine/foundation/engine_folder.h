#pragma once
// The folder the engine library was loaded from. The program installs itself into the machine it
// works on, so this is a Windows path of that machine, and the program folder too.
#include <string>
#include <string_view>

#include "platform/machine/install.h"

namespace engine {

inline std::string engine_folder() { return platform::kProgramFolder; }

// A path below the engine folder; relative starts without a backslash ("skin\msgs.ini").
inline std::string engine_path(std::string_view relative) { return engine_folder() + "\\" + std::string(relative); }

}  // namespace engine
