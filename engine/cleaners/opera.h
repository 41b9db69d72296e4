#pragma once
// Opera: removes the browser's cache, cookies and history of the current user. The profile
// folder depends on the Windows version: the user's application data on XP, the Windows drive's
// "Program Files" elsewhere.
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

class Opera : public EngineObject {
public:
    Opera();

    void CleanCache();
    void CleanCookies();
    void CleanHistory();

    Event<std::string> ShowLog;

private:
    std::string profileDir_;
    std::string cachePath_;
    std::string cookiesFile_;
    std::string historyFile_;
};

}  // namespace engine
