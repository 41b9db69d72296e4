#include "platform/inet/cached_copies.h"

#include "platform/text/ascii_case.h"

namespace platform::inet {

namespace {

std::shared_ptr<fs::Folder> shared(std::optional<fs::Folder> folder) {
    return folder ? std::make_shared<fs::Folder>(std::move(*folder)) : nullptr;
}

}  // namespace

CachedCopies::CachedCopies(fs::FileSystem& files, std::string cache_folder)
    : files_(files), cache_folder_(std::move(cache_folder)) {}

CachedCopies::Holder& CachedCopies::holder(std::string_view relative) {
    if (auto known = holders_.find(relative); known != holders_.end()) return known->second;
    std::shared_ptr<fs::Folder> opened;
    if (relative.empty()) {
        opened = shared(files_.open_folder(cache_folder_));
    } else {
        const size_t slash = relative.rfind('\\');
        const auto& parent = holder(slash == std::string_view::npos ? std::string_view{} : relative.substr(0, slash)).folder;
        if (parent) opened = shared(parent->subfolder(slash == std::string_view::npos ? relative : relative.substr(slash + 1)));
    }
    return holders_.emplace(std::string(relative), Holder{std::move(opened), std::nullopt, std::nullopt}).first->second;
}

std::string CachedCopies::listed_name(Holder& holder, const std::string& name) {
    if (!holder.names) {
        holder.names.emplace();
        for (auto& entry : holder.folder->listed_entries())
            if (!entry.folder) holder.names->insert(std::move(entry.name));
    }
    if (holder.names->contains(name)) return name;
    if (!holder.by_lower_case) {
        holder.by_lower_case.emplace();
        for (const std::string& listed : *holder.names) holder.by_lower_case->emplace(text::to_lower(listed), listed);
    }
    const auto found = holder.by_lower_case->find(text::to_lower(name));
    return found == holder.by_lower_case->end() ? std::string() : found->second;
}

std::optional<fs::FolderFile> CachedCopies::locate(std::string_view relative) {
    const size_t slash = relative.rfind('\\');
    Holder& found = holder(slash == std::string_view::npos ? std::string_view{} : relative.substr(0, slash));
    const std::string name(slash == std::string_view::npos ? relative : relative.substr(slash + 1));
    std::string path = cache_folder_ + "\\" + std::string(relative);
    if (found.folder) {
        std::string listed = listed_name(found, name);
        if (listed.empty()) return std::nullopt;
        return fs::FolderFile{found.folder, std::move(listed), std::move(path)};
    }
    // A folder on the way is a link or named in another case: the whole path, as Windows looks
    // names up.
    const auto host = files_.to_host(path);
    if (!host || !files_.attributes(path)) return std::nullopt;
    auto holder = shared(files_.open_folder(path.substr(0, path.rfind('\\'))));
    if (!holder) return std::nullopt;
    return fs::FolderFile{std::move(holder), host->filename().string(), std::move(path)};
}

}  // namespace platform::inet
