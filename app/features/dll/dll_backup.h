#pragma once
// Removal of the DLLs the user ticked after a scan, with an optional backup copy that the restore
// list offers to put back where it came from. Backups lie in the program folder's "backup_dll"
// folder; its "restore.ini" names, in section "Restore", each copy's former path.
#include <string>

namespace app {

class Shell;

// The program folder's "backup_dll\" folder, with the trailing backslash.
std::string dll_backup_folder(const Shell& shell);

// `list`: full paths joined by "|". With `backup_before_delete` each DLL is first copied into the
// backup folder and recorded; a DLL of a name already backed up from another folder gets a slot
// of its own ("x (2).dll"). A DLL is shredded only once its copy is complete and recorded; when
// that fails the DLL stays, the log window says why, and the next one is taken.
void CleanDLL(Shell& shell, const std::string& list, bool backup_before_delete);

// `list`: backup file names joined by "|". Each is copied back to its recorded path (a missing
// folder is created again) and only then shredded. A name without a copy or without a record is
// reported in the log window; the others are restored. Returns how many were not restored.
int restoreDlls(Shell& shell, const std::string& list);

// _root.NumberOfRestoreItems, _root.NamesOfRestoreItems (the "*.dll" names of the backup folder
// joined by "|") and _root.ShowRestoreItems = "1".
void loadRestoreList(Shell& shell);

}  // namespace app
