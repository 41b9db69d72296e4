#include "platform/fs/folder_descriptors.h"

#include <algorithm>

namespace platform::fs::detail {

void FolderDescriptors::used(OpenFolder& folder) {
    if (folder.listed_) {
        recent_.splice(recent_.begin(), recent_, folder.place_);
    } else {
        recent_.push_front(&folder);
        folder.place_ = recent_.begin();
        folder.listed_ = true;
    }
    while (recent_.size() > std::max<size_t>(limit_, 2)) {
        OpenFolder* oldest = recent_.back();
        recent_.pop_back();
        oldest->listed_ = false;
        oldest->close_descriptor();
    }
}

void FolderDescriptors::closed(OpenFolder& folder) {
    if (!folder.listed_) return;
    recent_.erase(folder.place_);
    folder.listed_ = false;
}

}  // namespace platform::fs::detail
