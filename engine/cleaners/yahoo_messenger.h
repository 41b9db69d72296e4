#pragma once
// YahooMessenger: removes the Yahoo Messenger traces of the current user - the pager log and
// the stored profiles with the last user name.
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

class YahooMessenger : public EngineObject {
public:
    // Shreds "<Yahoo folder>\messenger\YPager.log". The folder is HKLM "SOFTWARE\Yahoo\Essentials"
    // "mainDir", else the first folder of the Windows drive's "program files" whose name holds
    // "yahoo"; with neither, nothing is shredded and the log says so.
    int32_t CleanYahooPager();
    // Deletes the profile keys and the stored user name and removes the profile folder with its
    // contents.
    int32_t CleanYahooProfiles();

    Event<std::string> ShowLog;

private:
    std::string yahooDir_;
    std::string pagerLogFile_;
};

}  // namespace engine
