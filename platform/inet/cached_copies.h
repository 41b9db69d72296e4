#pragma once
// The cached copies of a URL container during one pass over many of its records: the container
// folder and each subfolder holding copies are looked up once and then reached by name, so
// finding thousands of copies costs one lookup of each copy's own name rather than of its path.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fs/fs.h"

namespace platform::inet {

class CachedCopies {
public:
    // cache_folder: the Windows path of the container folder (a full path).
    CachedCopies(fs::FileSystem& files, std::string cache_folder);

    // The copy at `relative` (a path below the container folder, as the index names it) as its
    // folder holds it, found in any case and through links on the way, as Windows finds it;
    // nullopt when it is gone already.
    std::optional<fs::FolderFile> locate(std::string_view relative);

private:
    // The subfolder at `relative` (the container folder itself for ""), or null when it cannot be
    // reached by its exact name (missing, a link, named in another case).
    std::shared_ptr<fs::Folder> folder(std::string_view relative);

    fs::FileSystem& files_;
    std::string cache_folder_;
    std::map<std::string, std::shared_ptr<fs::Folder>, std::less<>> folders_;
};

}  // namespace platform::inet
