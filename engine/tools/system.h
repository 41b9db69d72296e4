#pragma once
// System: facts about the Windows installation that many parts need - the Windows and
// Favorites folders, the drives, the programs started at logon and the installed programs.
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/records.h"
#include "engine/foundation/variant.h"

namespace engine {

class System : public EngineObject {
public:
    // Reads the user's Favorites shell folder.
    System();

    // The Windows folder, at most 200 characters, without a trailing backslash.
    std::string getWDirectory();
    // 98 and ME: "<Windows folder>\favorites"; XP: the Favorites shell folder; otherwise "".
    std::string getFavoritesDirectory();
    // The drive roots as GetLogicalDriveStrings gives them: "C:\" NUL "D:\" NUL ... NUL,
    // padded with NUL characters to 255.
    std::string Enumerate_Drives();
    // Appends "|name" to result and "|command" to P for every value of the Run keys, in the
    // order of the startup locations. An error shows its description and ends the listing.
    Variant Enumerate_Startup(std::string& result, std::string& P);
    // Display names and uninstall commands of the installed programs, in step.
    UnInstall Enumerate_Uninstall();

private:
    std::string favorites_;
};

}  // namespace engine
