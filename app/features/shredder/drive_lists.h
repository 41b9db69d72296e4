#pragma once
// The drive lists of the shredder screen: the fixed and removable drives the user may wipe.
#include <string>
#include <vector>

namespace app {

class Shell;

// The roots kept from the engine's drive strings ("C:\" NUL "D:\" NUL NUL ...): removable and
// fixed drives only, in the order given. CD-ROM, network and RAM drives are never offered, nor
// drives that map outside the machine folder unless the program was started to allow that.
std::vector<std::string> wipeable_drives(const std::string& drive_strings);

// Pushes _root.NumberOfDrives, _root.NamesOfDrives, _root.NumberOfDrives2, _root.NamesOfDrives2.
void push_drive_lists(Shell& shell);

// The drive lists at the main window's start-up.
void register_drive_list_rows(Shell& shell);

}  // namespace app
