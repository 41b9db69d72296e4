#pragma once
// Where deleted files wait: the recycle folders at the root of the machine's fixed drives
// (RECYCLER on the NT family, Recycled on 9x, $Recycle.Bin on later systems) and the Linux
// user's own desktop trash, which is not part of any machine.
#include <filesystem>
#include <string>
#include <vector>

namespace platform {
class Machine;
}

namespace platform::shell {

struct RecycleFolder {
    std::string path;   // Windows path ("C:\RECYCLER")
    bool link = false;  // a symbolic link: only the link itself may go
};

// The recycle folders that exist, drive by drive in letter order. Drives that map outside the
// machine folder are left out unless the machine allows changes there.
std::vector<RecycleFolder> recycle_folders(Machine& machine);

// The freedesktop.org home trash: $XDG_DATA_HOME/Trash (default ~/.local/share/Trash), its
// "files" and "info" folders, whichever exist. Empty when there is no home folder.
std::vector<std::filesystem::path> desktop_trash_folders();

}  // namespace platform::shell
