#pragma once
// The URL cache of one user of the machine: the pages and pictures a browser kept, each a
// source URL with a cached copy in a subfolder of the cache folder (Shell Folders "Cache").
// The entries are listed in the index file "urlcache.idx" of the cache folder (format in
// index_file.h); the fields after the URL are the cached file's path relative to the cache
// folder, its size in bytes and its last access time (FILETIME, decimal).
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/inet/index_file.h"

namespace platform::inet {

struct CacheEntry {
    std::string source_url;
    std::string local_file;  // Windows path of the cached copy
    uint64_t size = 0;
    uint64_t last_access = 0;  // FILETIME (filetime.h)
};

class UrlCache {
public:
    static constexpr const char* kIndexName = "urlcache.idx";

    // cache_folder: a Windows path; an empty or relative one is a cache without entries,
    // so a missing Shell Folders value can never point the cache at the current folder.
    UrlCache(fs::FileSystem& files, std::string cache_folder);

    const std::string& folder() const { return folder_; }

    // In the order the entries were added (a replaced entry counts as new). Records that cannot be read, or whose cached file
    // would lie outside the cache folder, are left out (and left in the index).
    std::vector<CacheEntry> entries();
    // The source URLs of entries(), in the same order: all that a listing of the cache needs,
    // shown one by one so that a long listing copies none of them on the way.
    void for_each_url(const std::function<void(const std::string&)>& visit);

    // Stores contents as the cached copy of url and records the entry (an entry for the same
    // URL is replaced, its old copy deleted). FsError when the cache folder cannot be written.
    CacheEntry add(std::string_view url, std::string_view contents);

    // Deletes the cached copy, then the entry. false: no entry with that URL. FsError when the
    // copy cannot be deleted (outside the machine folder, access denied): the entry stays.
    bool remove(std::string_view url);
    // Removes the entries of many URLs, each as remove() does, in one pass: the index is read once
    // and written in place, and the folders of the copies are looked up once. A copy that cannot
    // be deleted keeps its entry; `failed` hears why, and the pass goes on with the next URL when
    // it returns. Returns how many entries went.
    size_t remove_all(std::span<const std::string> urls, const std::function<void(const fs::FsError&)>& failed);

    // Index lines that could not be read.
    size_t unreadable_records();

private:
    bool usable() const;
    std::optional<CacheEntry> to_entry(const IndexFile::Record& record) const;
    std::string new_local_name(std::string_view url) const;

    fs::FileSystem& files_;
    std::string folder_;
    IndexFile index_;
};

}  // namespace platform::inet
