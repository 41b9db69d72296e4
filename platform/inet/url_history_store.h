#pragma once
// The URL history of one user of the machine: the addresses a browser visited. They are the
// "Visited: USER@URL" records of the container "History.IE5" of the history folder (Shell Folders
// "History"; url_container.h); the daily and weekly containers "MSHist..." inside it hold the same
// visits once more, by period. A record's title is its header data when that is plain text (as
// this program writes it), and a visit is top-level when its entry type says it is a normal
// entry, as Windows marks the pages it lists.
//
// A machine made by an earlier version of this program kept its demo history in a text index
// "urlhistory.idx" in the history folder (legacy_index.h): its entries are listed and removed with
// the others, and the file goes once it holds none.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/inet/legacy_index.h"
#include "platform/inet/url_container.h"
#include "platform/inet/url_entries.h"

namespace platform::inet {

class UrlHistory {
public:
    static constexpr const char* kContainerName = "History.IE5";
    // How long a visit is kept, as the browser's default.
    static constexpr int kDaysToKeep = 20;

    // history_folder: a Windows path; an empty or relative one is a history without entries.
    // user: the name the records carry ("Visited: USER@URL").
    UrlHistory(fs::FileSystem& files, std::string history_folder, std::string user);

    const std::string& folder() const { return folder_; }

    // Records a visit now (an entry for the same URL is updated). FsError when the history
    // folder cannot be written.
    void add(std::string_view url, std::string_view title, uint32_t flags);
    // Stores an entry as given (demo data, imports).
    void put(const HistoryEntry& entry);
    // Removes the URL's visits from every container. false: no entry with that URL.
    bool remove(std::string_view url);
    // Forgets every visit: the records of "History.IE5" go (the file stays, empty and zeroed),
    // and the "MSHist..." containers go with their folders.
    void clear();

    // Entries whose URL begins with prefix (case-insensitive; empty: all); with
    // history_flag::QueryTopLevel only top-level entries.
    std::vector<HistoryEntry> entries(std::string_view prefix = {}, uint32_t query_flags = 0);

private:
    bool usable() const;
    // The folders of the "MSHist..." containers.
    std::vector<std::string> period_folders() const;

    fs::FileSystem& files_;
    std::string folder_;
    std::string user_;
    UrlContainer container_;
    LegacyIndex legacy_;
};

}  // namespace platform::inet
