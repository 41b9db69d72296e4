#pragma once
// The recursive search behind both file finders (HDD and Shortcut).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/fs/fs.h"

namespace engine {

struct FileSearch {
    // Asked before a folder (given with a trailing "\") is listed; false skips it and all below.
    std::function<bool(const std::string& folder)> enters;
    // Once per subfolder found, before any match of the same folder is reported.
    std::function<void()> counts_folder;
    // Once per entry matching the pattern, folders included, with its full path.
    std::function<void(const std::string& path, const platform::fs::FindData& entry)> reports_match;
};

// Walks `folder` and every real subfolder below it (links are not followed), one level at a
// time: first the subfolders are counted, then the folder's matches reported, then the
// subfolders searched in listing order. Names are cut at their first NUL; a name that is not a
// valid Windows file name is skipped, never touched. A folder that cannot be listed ends the
// search of that folder. Returns the summed size of all matches.
uint64_t search_files(const platform::fs::FileSystem& files, const std::string& folder, std::string_view pattern,
                      const FileSearch& search);

}  // namespace engine
