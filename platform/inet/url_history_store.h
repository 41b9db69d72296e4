#pragma once
// The URL history of one user of the machine: the addresses a browser visited, kept in the
// index file "urlhistory.idx" of the history folder (Shell Folders "History"; format in
// index_file.h). The fields after the URL are the title, the last-visited, last-updated and
// expiry times (FILETIME, decimal) and the flags word (decimal).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/inet/index_file.h"

namespace platform::inet {

// Flags of a history entry and of a listing, with the values the URL history service uses.
namespace history_flag {
constexpr uint32_t IsCached = 0x1, IsTopLevel = 0x2;
// Listing flag: only entries marked IsTopLevel.
constexpr uint32_t QueryTopLevel = 0x00080000;
}  // namespace history_flag

struct HistoryEntry {
    std::string url;
    std::string title;
    uint64_t last_visited = 0;  // FILETIME (filetime.h)
    uint64_t last_updated = 0;
    uint64_t expires = 0;
    uint32_t flags = 0;
};

class UrlHistory {
public:
    static constexpr const char* kIndexName = "urlhistory.idx";
    // How long a visit is kept, as the browser's default.
    static constexpr int kDaysToKeep = 20;

    // history_folder: a Windows path; an empty or relative one is a history without entries.
    UrlHistory(fs::FileSystem& files, std::string history_folder);

    const std::string& folder() const { return folder_; }

    // Records a visit now (an entry for the same URL is updated). FsError when the history
    // folder cannot be written.
    void add(std::string_view url, std::string_view title, uint32_t flags);
    // Stores an entry as given (demo data, imports).
    void put(const HistoryEntry& entry);
    // false: no entry with that URL.
    bool remove(std::string_view url);
    // Forgets every visit, damaged index lines included.
    void clear();

    // Entries whose URL begins with prefix (case-insensitive; empty: all), the most recently
    // recorded last; with history_flag::QueryTopLevel only top-level entries.
    std::vector<HistoryEntry> entries(std::string_view prefix = {}, uint32_t query_flags = 0);

private:
    bool usable() const;

    fs::FileSystem& files_;
    std::string folder_;
    IndexFile index_;
};

}  // namespace platform::inet
