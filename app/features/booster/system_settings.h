#pragma once
// The four Windows settings buttons of the connection booster screen.
namespace app {

class Shell;

// IDC_FS_INTERNET SETTINGS, IDC_FS_SYSTEM PROPERTIES, IDC_FS_MODEM SETTINGS, IDC_FS_NETWORK SETTINGS.
void register_system_settings_rows(Shell& shell);

}  // namespace app
