#pragma once
// Chromium: removes the traces of the Chromium-family browsers - Chrome, Chromium, Edge, Opera 15
// and later, Vivaldi, Brave - from every profile of each (chromium_profiles.h). Their databases
// are changed through the guarded change (browser_database.h). A browser that is running is left
// alone, with a line in the log.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/cleaners/chromium_profiles.h"
#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

class Chromium : public EngineObject {
public:
    // History: visited addresses, visits, search terms and most-visited segments.
    void Delete_History();
    // History: the list of downloads (the downloaded files stay).
    void Delete_Downloads();
    // Cookies and Network\Cookies.
    void Delete_Cookies();
    // Cache, Code Cache and GPUCache.
    void Delete_Cache();

    Event<std::string> ShowLog;

private:
    // Runs `clean` on each profile of each browser that is not running. The browsers are found at
    // the first call, so that what finding them tells reaches whoever listens by then.
    void each_profile(const std::function<void(const ChromiumProfile&)>& clean);

    std::optional<std::vector<ChromiumBrowser>> browsers_;
};

}  // namespace engine
