#include "platform/inet/cached_copies.h"

namespace platform::inet {

namespace {

bool is_missing(const fs::FsError& error) {
    return error.code() == fs::error::FileNotFound || error.code() == fs::error::PathNotFound;
}

}  // namespace

CachedCopies::CachedCopies(fs::FileSystem& files, std::string cache_folder)
    : files_(files), cache_folder_(std::move(cache_folder)) {}

fs::Folder* CachedCopies::folder(std::string_view relative) {
    if (auto known = folders_.find(relative); known != folders_.end()) return known->second ? &*known->second : nullptr;
    std::optional<fs::Folder> opened;
    if (relative.empty()) {
        opened = files_.open_folder(cache_folder_);
    } else {
        const size_t slash = relative.rfind('\\');
        fs::Folder* parent = folder(slash == std::string_view::npos ? std::string_view{} : relative.substr(0, slash));
        if (parent) opened = parent->subfolder(slash == std::string_view::npos ? relative : relative.substr(slash + 1));
    }
    auto& kept = folders_.emplace(std::string(relative), std::move(opened)).first->second;
    return kept ? &*kept : nullptr;
}

void CachedCopies::delete_copy(std::string_view relative) {
    const size_t slash = relative.rfind('\\');
    fs::Folder* holder = folder(slash == std::string_view::npos ? std::string_view{} : relative.substr(0, slash));
    if (holder) {
        try {
            holder->delete_file(slash == std::string_view::npos ? relative : relative.substr(slash + 1), /*force=*/true);
            return;
        } catch (const fs::FsError& error) {
            // Not under its exact name: it may be there under another case.
            if (!is_missing(error)) throw;
        }
    }
    delete_by_path(relative);
}

void CachedCopies::delete_by_path(std::string_view relative) {
    try {
        files_.delete_file(cache_folder_ + "\\" + std::string(relative), /*force=*/true);
    } catch (const fs::FsError& error) {
        if (!is_missing(error)) throw;
    }
}

}  // namespace platform::inet
