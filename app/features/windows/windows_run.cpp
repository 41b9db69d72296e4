#include "app/features/windows/windows_run.h"

#include "app/features/cleaning/cleaning_run.h"
#include "app/kernel/shell.h"
#include "engine/cleaners/misc_functions.h"

namespace app {

// The check box of each position is the movie variable under which its tick is stored with the
// profile and read by the scheduled run. The scheduled run cleans the registry editor's history
// for both _root.WIN_RH and _root.WIN_RRC and the Run dialog for no variable; positions 18 and 19
// carry those two, so that a tick does the same on the screen and on schedule, and the Run dialog
// takes _root.WIN_CREH, which the scheduled run does not read (the command line's
// windows.run-dialog item does).
void CleanWindows(Shell& shell, const std::string& option_list) {
    using engine::Misc_Functions;
    CleaningRun<Misc_Functions> run(shell, "Misc_Functions", option_list);
    run.position(0, &Misc_Functions::CleanTemp);                 // _root.WIN_TF
    run.position(1, &Misc_Functions::DeleteCDBurningFolder);     // _root.WIN_CBTF
    run.position(2, &Misc_Functions::DeleteTemplatesFolder);     // _root.WIN_TEM
    run.position(3, &Misc_Functions::CleanRecycleBin);           // _root.WIN_RB
    run.position(4, &Misc_Functions::DeleteDirect3DMRU);         // _root.WIN_DRA
    run.position(5, &Misc_Functions::DeleteDirectInputMRU);      // _root.WIN_DIRA
    run.position(6, &Misc_Functions::DeleteDirectDrawMRU);       // _root.WIN_DDRA
    run.position(7, &Misc_Functions::CleanClipboard);            // _root.WIN_CBD
    run.position(8, &Misc_Functions::CleanUserAssistHistory);    // _root.WIN_UAH
    run.position(9, &Misc_Functions::CleanCommonDialog);         // _root.WIN_CDH
    run.position(10, &Misc_Functions::DeleteMsPaintMRU);         // _root.WIN_MSPRF
    run.position(11, &Misc_Functions::CleanWordpadHistory);      // _root.WIN_WRF
    run.position(12, &Misc_Functions::CleanMediaPlayerHistory);  // _root.WIN_MPRF
    run.position(13, &Misc_Functions::CleanRunDialog);           // _root.WIN_CREH
    run.position(14, &Misc_Functions::CleanFindHistory);         // _root.WIN_FH
    run.position(15, &Misc_Functions::CleanRecent);              // _root.WIN_RD
    run.position(16, &Misc_Functions::CleanNetworkConnections);  // _root.WIN_RNC
    run.position(17, &Misc_Functions::CleanPrinterConnections);  // _root.WIN_RPC
    run.position(18, &Misc_Functions::CleanRegEdit);             // _root.WIN_RH
    run.position(19, &Misc_Functions::CleanRegEdit);             // _root.WIN_RRC
    run.position(20, &Misc_Functions::CleanWindowsLogFiles);     // _root.WIN_CWLF
}

void register_windows_rows(Shell& shell) {
    shell.commands().add("IDC_FS_WIN", [&shell](const std::string& args) {
        logged_run(shell, [&] {
            // The day's log is being written to: it can be viewed once the run is over.
            shell.log_window().enable_view_log(false);
            CleanWindows(shell, args);
        });
    });
}

}  // namespace app
