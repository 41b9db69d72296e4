#pragma once
// Misc_Functions: Windows tweaks that switch a setting on or off by writing or deleting registry
// values. Every deletion is logged and announced through ShowLog; a value that is not there is
// not deleted and nothing is logged. A write the registry refuses (error 26001) ends the member
// and reaches the caller.
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"
#include "engine/foundation/variant.h"

namespace engine {

class Misc_Functions : public EngineObject {
public:
    // The "Explore From Here" verb on folders: the verb key and its command, or both removed.
    Variant AddExploreFromHere(bool Flag);
    // Balloon tips of the taskbar: on is the system's default (the value removed), off is 0.
    Variant EnableBalloons(bool Flag);
    // Swaps the button highlight and shadow colours, so that buttons look flat or raised.
    Variant FlatWindows(bool Flag);
    // Group policy no longer forced to run synchronously at boot and logon, or forced off (0).
    Variant BootFaster(bool Flag);
    // The administrative shares: the system's default (values removed), or off (0).
    Variant EnableAutomaticSharing(bool Flag);
    // A start-up entry of the current user named and valued program_name; off removes a value of
    // that name from the current user's and from the machine's Run key.
    Variant LoadOnStartUp(bool Flag, const std::string& program_name);
    // Disk layout optimisation while the system is idle: 1 or 0.
    Variant Optimize_HardDisk_when_idle(bool Flag);

    Event<std::string> ShowLog;
};

}  // namespace engine
