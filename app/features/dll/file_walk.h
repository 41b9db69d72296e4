#pragma once
// The DLL cleaner's walks over a drive: every file of a pattern, and the search for another
// Windows installation. Links are entries, never followed; a folder that cannot be listed is
// passed over.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::fs {
class FileSystem;
}

namespace app {

// Folders whose files are never offered for removal: the system's own copies, restore points,
// Office and the DLL cleaner's own backups.
inline constexpr std::string_view kExcludedFolderWords[] = {"_restore", "dllcache", "system32",  "office",    "dao",
                                                            "msagent",  "microsoft", "recycle", "backup_dll"};

// The counters of a walk, 16-bit as the screen's old status line shows them.
struct WalkCounts {
    uint16_t files = 0;
    uint16_t folders = 0;
};

// Appends "|" and the full path of every file under `folder` (a trailing "\" is added to it)
// that matches `pattern`, folder by folder: a folder's own files, then its subfolders in listing
// order. Files in a folder whose path contains an excluded word (any case) are counted but not
// listed. The user's Cancel of a cancellable run ends the walk before its next folder. Returns the
// summed size of the matching files.
uint64_t collectFiles(platform::fs::FileSystem& files, std::string& folder, std::string_view pattern,
                      WalkCounts& counts, std::string& file_list);

// Looks under `folder` for a file named `reference` ("kernel32.dll"). When there is one,
// `foreign_system` becomes whether the folder lies on another drive than `windows_folder`;
// without one it keeps its value.
void findForeignSystem(platform::fs::FileSystem& files, std::string folder, std::string_view reference,
                       std::string_view windows_folder, bool& foreign_system);

}  // namespace app
