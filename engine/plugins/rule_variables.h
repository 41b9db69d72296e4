#pragma once
// The %Variables% of the rule form, mapped on the machine's layout: the folders of Windows XP
// ("Documents and Settings", "Application Data") or those of later versions ("Users",
// "ProgramData"). Unlike %APPDATA% & co. of the older entries, a variable the map does not know,
// or one this layout has no folder for, leaves the key unusable, and so does a path that names
// no drive once expanded: a path is never guessed.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sys/environment.h"

namespace engine {

struct ExpandedPath {
    std::vector<std::string> paths;  // one per folder a variable stands for (%ProgramFiles%: both on 64-bit)
    std::string unusable;            // why the path cannot be used ("%X% names no folder here"), "" when it can
};

class RuleVariables {
public:
    // Reads the machine's environment and shell folders.
    RuleVariables();
    ExpandedPath expand(std::string_view path) const;

private:
    std::map<std::string, std::vector<std::string>, platform::sys::NameLess> folders_;
};

}  // namespace engine
