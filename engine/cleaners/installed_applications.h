#pragma once
// Browsers and Messangers: whether a browser or a messenger is installed, told by a registry
// key the application writes when it is installed. The program greys out the cleaning
// categories of the applications that are missing.
#include <string>

#include "engine/foundation/class_table.h"

namespace engine {

class Browsers : public EngineObject {
public:
    // "ie", "netscape", "opera", "aol", "firefox" or "chromium" (any browser of that family) in any
    // letter case; any other name is false.
    bool DoesExist(const std::string& Browser);
};

class Messangers : public EngineObject {
public:
    // "msn", "icq" or "yahoo" in any letter case; any other name is false.
    bool DoesExist(const std::string& Messanger);
};

}  // namespace engine
