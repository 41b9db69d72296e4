#pragma once
// Folders whose host path a lookup found before, so that a path below one is not looked up again
// component by component from the drive's root (each component one lookup on the host, and a
// component spelt in another case a listing of its whole folder). A remembered folder is only
// where a lookup starts: the component after it is looked up there as always, and when that
// fails the caller checks that the folder is still there, starting again from the root when it
// is not. So a folder removed, renamed or replaced meanwhile is never used; a folder is
// remembered only once an entry was found in it.
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/fs/windows_path.h"

namespace platform::fs::detail {

class ResolvedFolders {
public:
    // Where the path's first `parts` components lead.
    struct Start {
        size_t parts = 0;
        std::filesystem::path host;
    };
    // The deepest remembered folder among the first `most` components of the path; the drive's
    // root (parts 0) when none is. Folders remembered under another root of the drive are
    // forgotten.
    Start deepest(const WindowsPath& path, size_t most, const std::filesystem::path& root);
    // The first `parts` components of the path lead to the host folder `host`.
    void remember(const WindowsPath& path, size_t parts, const std::filesystem::path& host);
    void forget_all();

private:
    static constexpr size_t kMostRemembered = 16384;  // then forgotten all at once and found again
    std::mutex mutex_;
    std::filesystem::path roots_[26];                              // by drive letter, 'A' first
    std::unordered_map<std::string, std::filesystem::path> hosts_;  // by the path as spelt
};

}  // namespace platform::fs::detail
