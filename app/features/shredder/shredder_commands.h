#pragma once
// The shredder screen: files and folders collected one by one and shredded as a list, a whole
// drive or its free space, and the files of one type in one folder.
#include <string>
#include <string_view>

#include "app/features/shredder/relayed_shredder.h"

namespace app {

class RunProgress;
class Shell;

// Each procedure creates its own Shredder and releases it at its end. Those of the lists and of
// the drive show every shredded file in the log window as it goes. All of them show what could
// not be shredded, and why, in the log window and the day's log file.
ShredCount shredFiles(Shell& shell, const std::string& list);    // paths joined by "|"
ShredCount shredFolders(Shell& shell, const std::string& list);  // the folders with everything in them
// The procedure of a list's shred command (IDC_FS_SHREDFILES, IDC_FS_SHREDFOLDERS), for a run
// without the row's question and without telling the page its list is done with, as a preview
// runs it; nullptr for any other command. `list` is the bar list as the page sends it, trimmed.
using ShredList = ShredCount (*)(Shell& shell, const std::string& list);
ShredList shred_list_of(std::string_view command);
// The drive's free space when free_space_only, else every file on the drive, shown through the
// run's `progress` (the free-space wipe's percent and time left); the user's Cancel stops either
// before its next file. _root.ProgressBarState is "1" meanwhile. Returns the run's completion
// line: what was overwritten or shredded, or that it was cancelled and how far it came.
std::string shredDrive(Shell& shell, RunProgress& progress, const std::string& drive, bool free_space_only);
// "x,x,largest,smallest" in megabytes (0 and 0: any size): the files of the type in
// _root.FileTypeValue directly in the folder _root.PathValue. A list of fewer than four
// positions, or sizes that are not numbers, shreds nothing.
void Delete(Shell& shell, const std::string& options);

// IDC_FS_HD_BROWSE, IDC_FS_ADDFILETOSHRED, IDC_FS_ADDFOLDERSTOSHRED, IDC_FS_SHREDFILESDEL,
// IDC_FS_SHREDFOLDERSDEL, IDC_FS_SHREDFILES, IDC_FS_SHREDFOLDERS, IDC_FS_SH_SFSO, IDC_FS_HD_SHRED,
// IDC_FS_SHREDDRIVE and IDC_FS_DELETE.
void register_shredder_rows(Shell& shell);

}  // namespace app
