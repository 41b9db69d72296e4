#include "platform/inet/cached_copies.h"

namespace platform::inet {

namespace {

std::shared_ptr<fs::Folder> shared(std::optional<fs::Folder> folder) {
    return folder ? std::make_shared<fs::Folder>(std::move(*folder)) : nullptr;
}

}  // namespace

CachedCopies::CachedCopies(fs::FileSystem& files, std::string cache_folder)
    : files_(files), cache_folder_(std::move(cache_folder)) {}

std::shared_ptr<fs::Folder> CachedCopies::folder(std::string_view relative) {
    if (auto known = folders_.find(relative); known != folders_.end()) return known->second;
    std::shared_ptr<fs::Folder> opened;
    if (relative.empty()) {
        opened = shared(files_.open_folder(cache_folder_));
    } else {
        const size_t slash = relative.rfind('\\');
        auto parent = folder(slash == std::string_view::npos ? std::string_view{} : relative.substr(0, slash));
        if (parent) opened = shared(parent->subfolder(slash == std::string_view::npos ? relative : relative.substr(slash + 1)));
    }
    return folders_.emplace(std::string(relative), std::move(opened)).first->second;
}

std::optional<fs::FolderFile> CachedCopies::locate(std::string_view relative) {
    const size_t slash = relative.rfind('\\');
    const std::string_view holder_path = slash == std::string_view::npos ? std::string_view{} : relative.substr(0, slash);
    const std::string name(slash == std::string_view::npos ? relative : relative.substr(slash + 1));
    std::string path = cache_folder_ + "\\" + std::string(relative);
    if (auto holder = folder(holder_path); holder && holder->attributes(name))
        return fs::FolderFile{std::move(holder), name, std::move(path)};
    // Not under its exact name: the whole path, as Windows looks names up.
    const auto host = files_.to_host(path);
    if (!host || !files_.attributes(path)) return std::nullopt;
    auto holder = shared(files_.open_folder(path.substr(0, path.rfind('\\'))));
    if (!holder) return std::nullopt;
    return fs::FolderFile{std::move(holder), host->filename().string(), std::move(path)};
}

}  // namespace platform::inet
