#pragma once
// Which Windows the machine is: its version as GetVersionEx reports it, and the OS class.
#include "engine/foundation/class_table.h"
#include "engine/foundation/records.h"

namespace engine {

struct PlatformVersion {
    enum Id : int { Win32s = 0, Windows9x = 1, WindowsNT = 2 };
    int platform_id = Win32s;
    int major = 0;
    int minor = 0;
};

// From the machine's Windows version ("winxp" -> NT 5.1); a name it does not know is read from
// the NT CurrentVersion key, and with nothing to go on it reports Win32s 0.0.
PlatformVersion platform_version();

class OS : public EngineObject {
public:
    // 95, 98 and ME by minor version; NT below 5, 2000 (5.0), XP (5.1); anything else System_Windows_32.
    Enum_OperatingSystem OperatingSystem();
};

}  // namespace engine
