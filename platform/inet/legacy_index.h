#pragma once
// The text indexes an earlier version of this program kept its demo URL cache and history in
// ("urlcache.idx" in the cache folder, "urlhistory.idx" in the history folder; legacy_text_index.h): a
// machine made then still lists and cleans those entries. Nothing new is written to them, and
// each file is deleted once it holds no entry and no damaged line, so nothing a user had is lost
// and nothing is left behind.
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/inet/copy_disposal.h"
#include "platform/inet/legacy_text_index.h"
#include "platform/inet/url_entries.h"

namespace platform::inet {

class LegacyIndex {
public:
    enum class Kind { Cache, History };

    // folder: the cache or history folder the file lies in.
    LegacyIndex(fs::FileSystem& files, const std::string& folder, Kind kind);

    // Records whose cached copy would lie outside the cache folder are left out (and in the file).
    std::vector<CacheEntry> cache_entries();
    std::vector<HistoryEntry> history_entries();

    // The copies go first, all handed to `disposal` at once; an entry whose copy stays keeps its
    // line. `removed` hears the URL of each entry that went.
    size_t remove_cache_entries(std::span<const std::string> urls, CopyDisposal& disposal,
                                const std::function<void(const std::string&)>& removed);
    bool remove_history_entry(const std::string& url);
    // Every entry goes, and the file with them; `removed` hears each URL.
    void clear(const std::function<void(const std::string&)>& removed);

private:
    void delete_when_empty();

    fs::FileSystem& files_;
    std::string folder_;
    LegacyTextIndex index_;
};

}  // namespace platform::inet
