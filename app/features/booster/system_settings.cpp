// Each button opens the matching control panel applet of the machine. Only Wine can show one, and
// Wine brings only some of them (the Internet options); for the others, and on a machine Wine does
// not run, the user is told that the setting lives in the desktop's own settings. An offline
// Windows installation has its settings in that Windows, changed while it runs, and says so.
#include "app/features/booster/system_settings.h"

#include <string>

#include "app/kernel/running_windows.h"
#include "app/kernel/shell.h"
#include "app/kernel/windows_program.h"
#include "engine/foundation/os.h"

namespace app {

namespace {

const Question kSettingOfTheDesktop{"msg90", "msg91", sign::Notice};
const Question kSettingOfThatWindows{"msg1061", "msg1021", sign::Notice};

struct SettingsApplet {
    const char* command;
    const char* applet;     // the file in the system folder
    const char* argument;   // as Control_RunDLL takes it
};

constexpr SettingsApplet kApplets[] = {
    {"IDC_FS_INTERNET SETTINGS", "inetcpl.cpl", "inetcpl.cpl,,0"},
    {"IDC_FS_SYSTEM PROPERTIES", "sysdm.cpl", "sysdm.cpl,,0"},
    {"IDC_FS_MODEM SETTINGS", "modem.cpl", "modem.cpl"},
};

// Windows 98 and ME keep their network settings in another applet.
SettingsApplet network_applet() {
    auto system = engine::OS().OperatingSystem();
    if (system == engine::System_Windows_98 || system == engine::System_Windows_ME)
        return {"IDC_FS_NETWORK SETTINGS", "netcpl.cpl", "netcpl.cpl"};
    return {"IDC_FS_NETWORK SETTINGS", "ncpa.cpl", "ncpa.cpl"};
}

void open_applet(Shell& shell, const SettingsApplet& applet) {
    if (refused_without_running_windows(shell, kSettingOfThatWindows)) return;
    if (!can_run_windows_program(applet.applet)) return shell.notify(kSettingOfTheDesktop);
    run_windows_program(shell, {"rundll32.exe", "shell32.dll,Control_RunDLL", applet.argument});
}

}  // namespace

void register_system_settings_rows(Shell& shell) {
    for (const auto& applet : kApplets)
        shell.commands().add(applet.command, [&shell, applet](const std::string&) { open_applet(shell, applet); });
    shell.commands().add("IDC_FS_NETWORK SETTINGS",
                         [&shell](const std::string&) { open_applet(shell, network_applet()); });
}

}  // namespace app
