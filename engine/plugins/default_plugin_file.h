#pragma once
// The plug-in definitions the program ships: applications people run today, under Wine too.
// Paths use %APPDATA%-style variables, so one definition fits every machine.
#include <string_view>

namespace engine {

// The plain INI text of the shipped plug-in file.
std::string_view default_plugin_definitions();

// Encrypts the shipped definitions into the plug-in file when the machine has none; a file the
// user already has is never replaced. Returns whether the file was written.
bool install_default_plugin_file();

}  // namespace engine
