#include "platform/inet/url_container.h"

#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/inet/cached_copies.h"
#include "platform/removals/removal_log.h"

namespace platform::inet {

UrlContainer::UrlContainer(fs::FileSystem& files, std::string folder) : files_(files), folder_(std::move(folder)) {}

const std::optional<IndexDat>& UrlContainer::index() {
    if (loaded_) return index_;
    loaded_ = true;
    const std::string path = index_path();
    if (!files_.exists(path)) return index_;
    std::string why;
    try {
        index_.emplace(files_.read_text(path, IndexDat::largest_size()));
    } catch (const DamagedIndex& damage) {
        why = std::string("is damaged (") + damage.what() + ") and was left as it is.";
    } catch (const fs::FsError& error) {
        why = std::string("could not be read (") + error.what() + ") and was left as it is.";
    }
    if (!why.empty()) {
        refused_ = true;
        files_.removals().refuse(path, why);
    }
    return index_;
}

std::string UrlContainer::copy_path(const IndexRecord& record) const {
    if (record.local_name.empty() || !index_) return {};
    if (record.folder == IndexRecord::kNoFolder) return folder_ + "\\" + record.local_name;
    return folder_ + "\\" + index_->folders()[record.folder] + "\\" + record.local_name;
}

size_t UrlContainer::remove_if(const std::function<bool(const IndexRecord&)>& take, CopyDisposal& disposal,
                               const std::function<void(const IndexRecord&)>& removed) {
    if (!index()) return 0;
    // Each taken record, by where it lies, with the place of its copy among `copies` (none when
    // it has no copy or the copy is gone already).
    std::unordered_map<uint32_t, std::optional<size_t>> taken;
    std::vector<fs::FolderFile> copies;
    CachedCopies located(files_, folder_);
    for (const IndexRecord& record : index_->records()) {
        if (!take(record)) continue;
        std::optional<size_t> copy;
        if (const std::string path = copy_path(record); !path.empty()) {
            if (auto file = located.locate(path.substr(folder_.size() + 1))) {
                copy = copies.size();
                copies.push_back(std::move(*file));
            }
        }
        taken.emplace(record.offset, copy);
    }
    const std::vector<bool> went = disposal.dispose(copies);
    const std::string before = index_->bytes();
    std::vector<IndexRecord> gone;
    index_->remove_if([&](const IndexRecord& record) {
        const auto found = taken.find(record.offset);
        if (found == taken.end() || (found->second && !went[*found->second])) return false;
        gone.push_back(record);
        return true;
    });
    index_->zero_free_blocks();
    // A record went only once the file no longer holds it: an index that cannot be written (a
    // read-only file, a full disk) keeps its records, here as on disk.
    if (index_->bytes() != before) {
        try {
            save();
        } catch (const fs::FsError&) {
            index_.emplace(before);
            throw;
        }
    }
    if (removed)
        for (const IndexRecord& record : gone) removed(record);
    return gone.size();
}

IndexDat& UrlContainer::writable_index(const std::vector<std::string>& new_folders) {
    if (index()) return *index_;
    if (refused_)
        throw fs::FsError(fs::error::AccessDenied, "The index \"" + index_path() + "\" is damaged and stays as it is.");
    return index_.emplace(IndexDat::create(IndexDat::kWindowsSignature, new_folders));
}

void UrlContainer::add(IndexRecord record, const std::vector<std::string>& new_folders) {
    IndexDat& index = writable_index(new_folders);
    try {
        index.add(std::move(record));
    } catch (const DamagedIndex& damage) {
        throw fs::FsError(fs::error::InvalidName, "The index \"" + index_path() + "\" cannot take it: " + damage.what());
    }
    if (!files_.is_directory(folder_)) files_.create_directory(folder_);
    save();
}

void UrlContainer::save() { files_.write_text(index_path(), index_->bytes()); }

}  // namespace platform::inet
