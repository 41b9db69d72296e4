#pragma once
// MSN: removes the MSN Messenger traces of the current user - the per-account settings and the
// files received through file transfer.
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

class MSN : public EngineObject {
public:
    // Deletes HKEY_CURRENT_USER "Software\Microsoft\MSNMessenger\PerPassportSettings" with its
    // per-account subkeys.
    int32_t CleanMSNAccountSettings();
    // Empties the folder that "FtReceiveFolder" names (stored as bytes, read as text); the folder
    // stays. A value that is missing, empty or not a path leaves everything alone, with a log line.
    int32_t CleanMSNRecivedFolder();

    Event<std::string> ShowLog;
};

}  // namespace engine
