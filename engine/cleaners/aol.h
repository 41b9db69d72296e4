#pragma once
// AOL: empties the temporary and download folders of the AOL 5.0 and 6.0 clients, which sit at
// the root of the Windows drive. A version that is not installed is passed over.
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

class AOL : public EngineObject {
public:
    AOL();

    void CleanAOLTemp();
    void CleanAOLDownloads();

    Event<std::string> ShowLog;

private:
    // "<Windows drive>\America Online <version>\<folder>" for 5.0, then 6.0.
    void empty_client_folders(const char* folder);

    std::string windowsDir_;
    std::string aolPath_;
};

}  // namespace engine
