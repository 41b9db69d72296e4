#pragma once
// Removing a folder with everything in it, by descriptors: each entry is reached by its name in
// its own folder, so the work grows with the number of entries, not with their depth, and a
// link met on the way is removed as the entry it is, never followed.
#include <string>

namespace platform::fs::detail {

// Removes the folder `name` of the folder open as `parent_fd` (which stays open), depth first.
// Not forced: a read-only item stops it with FsError(AccessDenied), and what could be removed
// before is gone. `windows_path` names the folder in messages.
void remove_tree_at(int parent_fd, const std::string& name, const std::string& windows_path);

// "C:\a" + "b" -> "C:\a\b"; "C:\" + "b" -> "C:\b".
std::string windows_child(const std::string& folder, const std::string& name);

}  // namespace platform::fs::detail
