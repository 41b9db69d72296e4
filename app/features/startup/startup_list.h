#pragma once
// The startup manager: the programs the machine starts at logon, and the removal of one of them.
#include <string>
#include <vector>

namespace app {

class Shell;

// The list text the screen shows: name, command, name, command, ... of every startup location,
// each item as shown_item() makes it. A command that is not text reads as the registry editor
// shows it (a number in decimal, bytes in hexadecimal).
std::vector<std::string> startup_items();

// _root.NumberOfItems_SM (entries minus one, "-1" for none), then _root.NamesOfItems_SM.
void push_startup_list(Shell& shell);

// Removes the entry the screen names (shown or stored name, any case) from the Run keys of the
// current user and of the machine, each removal a line of the log window. A name in neither Run
// key changes nothing and a notice says so.
void cleanStartup(Shell& shell, const std::string& args);

// IDC_FS_WHICHITEM (remove, then the list again) and the list at start-up.
void register_startup_rows(Shell& shell);

}  // namespace app
