#pragma once
// The Windows cleaning run: the traces Windows itself and its small applets keep, one
// Misc_Functions member per ticked position of the Windows screen's option list.
#include <string>

namespace app {

class Shell;

// 21 positions; an unticked or missing position calls nothing. The run has the skeleton of every
// cleaning run (hourglass, engine object with its log lines in the log window, each step
// ignoring its own failure).
void CleanWindows(Shell& shell, const std::string& option_list);

// IDC_FS_WIN.
void register_windows_rows(Shell& shell);

}  // namespace app
