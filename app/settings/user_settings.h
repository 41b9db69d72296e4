#pragma once
// The program's per-user settings (application name "Orvane"): language, connection type, SYN
// option and ping stepper. Sections and keys are the ones the screens have always used.
#include <string>

namespace app::user_settings {

std::string read(const std::string& section, const std::string& key, const std::string& default_value);
void save(const std::string& section, const std::string& key, const std::string& value);

// The language name ("Lang"/"Lang"); when none is stored, the one of the user's locale.
std::string language();
void save_language(const std::string& name);

}  // namespace app::user_settings
