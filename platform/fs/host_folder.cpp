#include "platform/fs/host_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "platform/fs/name_fold.h"

namespace platform::fs::detail {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

std::vector<std::string> raw_names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) return names;
    while (dirent* entry = readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
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
    std::vector<std::pair<std::u32string, std::string>> keyed;
    for (std::string& name : raw_names(folder)) keyed.emplace_back(fold_case(name), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::string> names;
    names.reserve(keyed.size());
    for (auto& entry : keyed) names.push_back(std::move(entry.second));
    return names;
}

}  // namespace platform::fs::detail
