#include "platform/inet/copy_disposal.h"

namespace platform::inet {

DeletedCopies::DeletedCopies(std::function<void(const fs::FsError&)> failed) : failed_(std::move(failed)) {}

std::vector<bool> DeletedCopies::dispose(std::span<const fs::FolderFile> copies) {
    std::vector<bool> went(copies.size(), false);
    fs::ConcurrentDeletes deletes;
    size_t finished = 0;
    const auto finish_oldest = [&] {
        try {
            deletes.finish_oldest();
            went[finished] = true;
        } catch (const fs::FsError& error) {
            const bool missing = error.code() == fs::error::FileNotFound || error.code() == fs::error::PathNotFound;
            went[finished] = missing;
            if (!missing && failed_) failed_(error);
        }
        ++finished;
    };
    for (const fs::FolderFile& copy : copies) {
        if (!deletes.has_room()) finish_oldest();
        deletes.start(*copy.folder, copy.name, /*force=*/true);
    }
    while (finished < copies.size()) finish_oldest();
    return went;
}

}  // namespace platform::inet
