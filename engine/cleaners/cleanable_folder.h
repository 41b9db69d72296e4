#pragma once
// The one check every cleaner makes before it empties or removes a folder named by the registry.
// A missing Shell Folders value reads as "", and "" (or "\temp" built from it) would otherwise
// resolve to the current folder or a drive root: shredding there wipes the machine.
#include <string>

namespace engine {

// True for a full path ("C:\...\...") with no "." or ".." step that is not a drive root and
// neither is nor contains the program folder or the Windows folder.
bool may_clean_folder(const std::string& folder);

// For a walk that shreds only some files and keeps every folder (the Windows folder's log files):
// a full path that is not a drive root and neither is nor contains the program folder.
bool may_shred_files_in(const std::string& folder);

}  // namespace engine
