#pragma once
// The uninstall screen: the installed programs, and the start of the chosen one's uninstaller.
#include <string>

namespace app {

class Shell;

// _root.NumberOfItems_UP (programs minus one, "-1" for none), then _root.NamesOfItems_UP: the
// display names as shown_item() makes them.
void push_uninstall_list(Shell& shell);

// Starts the uninstaller of the program the screen names (shown or stored name, any case) under
// Wine and waits for it. Where the machine cannot run Windows programs a notice says so and
// nothing is started; a name no program has does nothing.
void cleanUninstall(Shell& shell, const std::string& args);

// IDC_FS_UNISTALLPROGRAMS (uninstall, then the list again) and the list at start-up.
void register_uninstall_rows(Shell& shell);

}  // namespace app
