#include "platform/fs/host_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "platform/fs/name_fold.h"

namespace platform::fs::detail {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

std::vector<std::string> read_names(DIR* opened) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(opened);
    if (!dir) return names;
    while (dirent* entry = readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    return names;
}

std::vector<std::string> raw_names(const std::filesystem::path& folder) { return read_names(opendir(folder.c_str())); }

std::vector<std::string> sorted_as_ntfs_lists(std::vector<std::string> raw) {
    std::vector<std::pair<std::u32string, std::string>> keyed;
    for (std::string& name : raw) keyed.emplace_back(fold_case(name), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::string> names;
    names.reserve(keyed.size());
    for (auto& entry : keyed) names.push_back(std::move(entry.second));
    return names;
}

}  // namespace

std::optional<std::string> find_entry(const std::filesystem::path& folder, std::string_view name) {
    struct stat st;
    if (lstat((folder / name).c_str(), &st) == 0) return std::string(name);
    std::u32string wanted = fold_case(name);
    std::optional<std::string> found;
    for (std::string& candidate : raw_names(folder)) {
        if (fold_case(candidate) == wanted && (!found || candidate < *found)) found = std::move(candidate);
    }
    return found;
}

std::vector<std::string> list_entries(const std::filesystem::path& folder) {
    return sorted_as_ntfs_lists(raw_names(folder));
}

std::vector<std::string> list_entries_at(int folder_fd) {
    // A stream of its own: reading through the caller's descriptor would move its position.
    const int own = openat(folder_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0) return {};
    DIR* dir = fdopendir(own);
    if (!dir) close(own);
    return sorted_as_ntfs_lists(read_names(dir));
}

}  // namespace platform::fs::detail
