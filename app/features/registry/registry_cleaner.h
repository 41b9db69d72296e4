#pragma once
// The registry cleaner screen: a scan shows each invalid entry as it is found and the whole list
// at its end; the entries the user ticks are repaired after a question, each with its own backup;
// the list of backups is pushed at start-up and after every repair and restore, and the ticked
// backups are put back.
namespace app {

class Shell;

// The backup list: _root.NumberOfRegItems_Restore, _root.NamesOfRegItems_Restore, then the
// trigger _root.ShowRegItems_restore = "1".
void initRestoreReg(Shell& shell);

// IDC_FS_SCAN_REG, IDC_FS_RESTOREBACK, IDC_FS_CLEAN_REG, IDC_FS_RESTOREREG, IDC_FS_RESTORREGLIST,
// and the backup list among the start-up restore lists.
void register_registry_rows(Shell& shell);

}  // namespace app
