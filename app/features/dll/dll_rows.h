#pragma once
// The DLL cleaner's screens: the scan of a drive for stray copies of registered libraries, their
// removal with an optional backup, and the restore list of the backups.
namespace app {

class Shell;

// IDC_FS_DLL_HD, IDC_FS_DLL_BBD, IDC_FS_DLLCLEANER, IDC_FS_DLL, IDC_FS_RESTORE, IDC_FS_RESTORENOW,
// and the restore list pushed at start-up.
void register_dll_rows(Shell& shell);

}  // namespace app
