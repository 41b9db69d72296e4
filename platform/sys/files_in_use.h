#pragma once
// Whether another running program holds a file: the signs a browser leaves on its profile and its
// databases while it runs, read without changing the file.
#include <filesystem>

namespace platform::sys {

// A lock another process holds on the file: a POSIX record lock on any of its bytes (SQLite's
// locks, and the locks Wine places for a Windows program's LockFileEx) or a flock() lock. Locks of
// this process are not seen; nor is a file that cannot be opened.
bool locked_by_another_process(const std::filesystem::path& file);

// A link "<host name>-<process id>", as a Chromium-family browser leaves in its profile folder
// while it runs, naming a process that lives on this host. False for anything else.
bool link_names_live_process(const std::filesystem::path& link);

}  // namespace platform::sys
