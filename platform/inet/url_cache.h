#pragma once
// The URL cache of one user of the machine: the pages and pictures a browser kept, each a source
// URL with a cached copy. The entries are the records of the container "Content.IE5" of the cache
// folder (Shell Folders "Cache"; url_container.h), as Windows and Wine keep them: pages with their
// copies, redirects, and the leaks whose copies Windows could not delete.
//
// A machine made by an earlier version of this program kept its demo cache in a text index
// "urlcache.idx" in the cache folder (legacy_index.h): its entries are listed and removed with the
// others, and the file goes once it holds none.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/inet/legacy_index.h"
#include "platform/inet/url_container.h"
#include "platform/inet/url_entries.h"

namespace platform::inet {

class UrlCache {
public:
    static constexpr const char* kContainerName = "Content.IE5";

    // cache_folder: a Windows path; an empty or relative one is a cache without entries,
    // so a missing Shell Folders value can never point the cache at the current folder.
    UrlCache(fs::FileSystem& files, std::string cache_folder);

    const std::string& folder() const { return folder_; }
    const std::string& container_folder() const { return container_.folder(); }

    // The entries of the container, then those of an earlier version's index.
    std::vector<CacheEntry> entries();
    // The source URLs of entries(), in the same order.
    void for_each_url(const std::function<void(const std::string&)>& visit);

    // Stores contents as the cached copy of url and records the entry (an entry for the same
    // URL is replaced, its old copy deleted). FsError when the cache cannot be written.
    CacheEntry add(std::string_view url, std::string_view contents);

    // Removes every entry of these URLs (all records of a URL listed twice) in one pass: the
    // index is read and written once. Their copies go first, through `disposal`; an entry whose
    // copy stays keeps its place. Returns how many went. FsError when the index cannot be
    // written: then no entry goes.
    size_t remove_all(std::span<const std::string> urls, CopyDisposal& disposal);

private:
    bool usable() const;
    std::string new_copy_name(const std::string& folder, std::string_view url) const;

    fs::FileSystem& files_;
    std::string folder_;
    UrlContainer container_;
    LegacyIndex legacy_;
};

}  // namespace platform::inet
