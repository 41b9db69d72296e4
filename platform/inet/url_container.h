#pragma once
// One URL container of the machine: a folder holding an "index.dat" (index_dat.h) and the copies
// its records name, either in its 8-character cache folders or in the container folder itself.
// The cache ("Content.IE5"), the cookies and the history ("History.IE5" and its "MSHist..."
// containers) are each one.
//
// An index that does not check out, or that cannot be read as a file of the machine (a link out
// of it, a pipe, a giant), is refused: recorded with the removals under its path and the reason,
// and never written, so it stays byte for byte as it was, copies and all.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/inet/copy_disposal.h"
#include "platform/inet/index_dat.h"

namespace platform::inet {

class UrlContainer {
public:
    static constexpr const char* kIndexName = "index.dat";

    // folder: a full Windows path.
    UrlContainer(fs::FileSystem& files, std::string folder);

    const std::string& folder() const { return folder_; }
    std::string index_path() const { return folder_ + "\\" + kIndexName; }

    // The index as the file holds it when first asked; nullopt when there is none or it was refused.
    const std::optional<IndexDat>& index();
    // Windows path of the record's copy; "" when it has none.
    std::string copy_path(const IndexRecord& record) const;

    // Removes every record `take` picks. Their copies go first, all handed to `disposal` at once:
    // a record whose copy stays keeps its place. The removed records' blocks and the blocks
    // already free are zeroed, and the file is written once, atomically. `removed` hears of each
    // record that went, once the file is written. Returns how many went. FsError when the file
    // cannot be written: then no record went.
    size_t remove_if(const std::function<bool(const IndexRecord&)>& take, CopyDisposal& disposal,
                     const std::function<void(const IndexRecord&)>& removed);
    // The index to add to: a new one, with these cache folders and nothing on disk yet, when
    // there is none. FsError when the index was refused.
    IndexDat& writable_index(const std::vector<std::string>& new_folders);
    // Adds the record (a record of the same URL is the caller's to remove first) and writes the
    // index. FsError when the folder cannot be written or the index was refused.
    void add(IndexRecord record, const std::vector<std::string>& new_folders);

private:
    void save();

    fs::FileSystem& files_;
    std::string folder_;
    std::optional<IndexDat> index_;
    bool loaded_ = false;
    bool refused_ = false;
};

}  // namespace platform::inet
