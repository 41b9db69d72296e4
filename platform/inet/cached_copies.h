#pragma once
// The cached copies of a URL cache during one pass over many of its entries: the cache folder and
// each subfolder holding copies are looked up once and then reached by name, so removing
// thousands of copies costs one lookup of each copy's own name rather than of its whole path.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fs/fs.h"

namespace platform::inet {

class CachedCopies {
public:
    // cache_folder: the Windows path of the cache folder (a full path).
    CachedCopies(fs::FileSystem& files, std::string cache_folder);

    // Deletes the copy at `relative` (a path below the cache folder, as the index names it),
    // read-only or not. A copy that is gone already is no error: only its record is left to go.
    // FsError when it may not be deleted (outside the machine folder, access denied).
    void delete_copy(std::string_view relative);

private:
    // The subfolder at `relative` (the cache folder itself for ""), or null when it cannot be
    // reached by its exact name (missing, a link, named in another case).
    fs::Folder* folder(std::string_view relative);
    // Through the whole path, as Windows looks names up: any case, links followed on the way.
    void delete_by_path(std::string_view relative);

    fs::FileSystem& files_;
    std::string cache_folder_;
    std::map<std::string, std::optional<fs::Folder>, std::less<>> folders_;
};

}  // namespace platform::inet
