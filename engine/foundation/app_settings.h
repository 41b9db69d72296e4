#pragma once
// Per-user application settings (the GetSetting/SaveSetting/DeleteSetting store): REG_SZ values under
// HKCU\Software\VB and VBA Program Settings\<app>\<section> of the current machine.
// Like every registry change, they reach the machine's files at the next flush point
// (platform::Machine::flush: the program flushes after each command and at exit).
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace engine {

// The stored text, or default_value when the setting is missing or is not a string.
std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                       std::string_view default_value = "");
// Creates the app and section keys as needed.
void SaveSetting(std::string_view app, std::string_view section, std::string_view key, std::string_view value);
// Removes one setting, or a whole section with every setting in it. False when there was nothing to remove.
bool DeleteSetting(std::string_view app, std::string_view section, std::string_view key);
bool DeleteSetting(std::string_view app, std::string_view section);
// Every setting of a section as (key, value), in the registry's order.
std::vector<std::pair<std::string, std::string>> GetAllSettings(std::string_view app, std::string_view section);

}  // namespace engine
