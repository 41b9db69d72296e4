#pragma once
// Removing a folder with everything in it, by descriptors: each entry is reached by its name in
// its own folder, so the work grows with the number of entries, not with their depth, and a
// link met on the way is removed as the entry it is, never followed.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform::fs::detail {

// How a tree goes. A dry run walks it and removes nothing; entries it removed before (gone)
// are passed over. `removed` hears of each entry once it went, or in a dry run would have gone.
struct TreeRemoval {
    bool dry_run = false;
    std::function<bool(const std::string& windows_path)> gone;
    std::function<void(const std::string& windows_path, bool folder, uint64_t size)> removed;
};

// Removes the folder `name` of the folder open as `parent_fd` (which stays open), depth first.
// Not forced: a read-only item stops it with FsError(AccessDenied), and what could be removed
// before is gone. `windows_path` names the folder in messages.
void remove_tree_at(int parent_fd, const std::string& name, const std::string& windows_path, const TreeRemoval& how);

// "C:\a" + "b" -> "C:\a\b"; "C:\" + "b" -> "C:\b".
std::string windows_child(std::string_view folder, std::string_view name);

}  // namespace platform::fs::detail
