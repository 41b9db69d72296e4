#pragma once
// The one check every cleaner makes before it empties or removes a folder named by the registry.
// A missing Shell Folders value reads as "", and "" (or "\temp" built from it) would otherwise
// resolve to the current folder or a drive root: shredding there wipes the machine.
#include <optional>
#include <string>

namespace engine {

// Why a folder may not be emptied or removed, by a cleaner or by a shred of folders the user
// names (the shredder screen's list, the command line): not a full path ("C:\...\..." with no
// "." or ".." step), a drive root (a whole drive has a shred of its own, after its question),
// the program folder or the Windows folder or a folder holding one, or a folder no walk may ever
// empty (refusal.h). The reason in the session's language; nullopt when it may.
std::optional<std::string> folder_refusal(const std::string& folder);
bool may_clean_folder(const std::string& folder);

// The same for a walk that shreds only some files and keeps every folder (the Windows folder's
// log files): only a full path that is no drive root and neither is nor holds the program folder.
std::optional<std::string> file_walk_refusal(const std::string& folder);

}  // namespace engine
