#pragma once
// The connection booster screen: the connection type fills the screen's TCP/IP value fields with
// that type's defaults and is remembered for the next start; the booster modes are only recorded,
// the system's network settings stay as they are. On an offline Windows installation, which has no
// network to tune, a finished mode says so instead.
#include <string>

namespace app {

class Shell;

// The connection-type routine: pushes _root.mtu and _root.mss of "Dial", "Cable", "Dsl" or "Lan"
// (any letter case; nothing for another type), then the values every type shares. An empty type
// means the stored one ("Dial" when none is stored).
void push_connection_defaults(Shell& shell, std::string type);

// The type the four flags of IDC_FS_CONNECTION choose (Dial, Cable, Dsl, Lan): the first one
// that reads "TRUE" once its blanks are removed, any letter case; "Dial" when none does.
std::string connection_type_of(const std::string& flags);

// IDC_FS_CONNECTION, AUTOMATIC-A to AUTOMATIC-G, WINDOWS DEFAULT, IDC_FS_ISB_WIZARDMODE,
// IDC_FS_PINGSETTINGS, IDC_FS_ADVANCEDMODEFINISHED, and the stored type's values at start-up.
void register_connection_booster_rows(Shell& shell);

}  // namespace app
