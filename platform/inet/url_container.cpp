#include "platform/inet/url_container.h"

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

size_t UrlContainer::remove_if(const std::function<bool(const IndexRecord&)>& take,
                               const std::function<void(const fs::FsError&)>& failed,
                               const std::function<void(const IndexRecord&)>& removed) {
    if (!index()) return 0;
    CachedCopies copies(files_, folder_);
    const std::string before = index_->bytes();
    // Told once the file is written: a listener that throws must not stop the pass midway.
    std::vector<fs::FsError> errors;
    const size_t count = index_->remove_if([&](const IndexRecord& record) {
        if (!take(record)) return false;
        if (const std::string copy = copy_path(record); !copy.empty()) {
            try {
                copies.delete_copy(copy.substr(folder_.size() + 1));
            } catch (const fs::FsError& error) {
                errors.push_back(error);
                return false;
            }
        }
        if (removed) removed(record);
        return true;
    });
    index_->zero_free_blocks();
    if (index_->bytes() != before) save();
    if (failed)
        for (const auto& error : errors) failed(error);
    return count;
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
