#pragma once
// The cached copies of a URL container during one pass over many of its records: the container
// folder and each subfolder holding copies are looked up and listed once, so finding thousands of
// copies costs a look into a listing each rather than a lookup of each copy's path.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

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
    struct Holder {
        std::shared_ptr<fs::Folder> folder;  // null when it cannot be reached by its exact name
        std::optional<std::unordered_set<std::string>> names;  // listed when first asked
        // By name in lower case, made when a name is first missed.
        std::optional<std::unordered_map<std::string, std::string>> by_lower_case;
    };
    // The subfolder at `relative` (the container folder itself for ""); its folder is null when
    // it cannot be reached by its exact name (missing, a link, named in another case).
    Holder& holder(std::string_view relative);
    // The name under which the holder's folder lists `name`: itself, or the same in another
    // case, as Windows finds it; "" when it lists no such entry.
    std::string listed_name(Holder& holder, const std::string& name);

    fs::FileSystem& files_;
    std::string cache_folder_;
    std::map<std::string, Holder, std::less<>> holders_;
};

}  // namespace platform::inet
