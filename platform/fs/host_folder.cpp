#include "platform/fs/host_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "platform/text/name_fold.h"

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

const std::string& name_of(const std::string& name) { return name; }
const std::string& name_of(const ListedEntry& entry) { return entry.name; }

template <class Entry>
std::vector<Entry> sorted_as_ntfs_lists(std::vector<Entry> raw) {
    std::vector<std::pair<std::u32string, size_t>> keyed;
    keyed.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) keyed.emplace_back(text::fold_case(name_of(raw[i])), i);
    // Equal folded names keep their byte order, so the listing is stable.
    std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : name_of(raw[a.second]) < name_of(raw[b.second]);
    });
    std::vector<Entry> sorted;
    sorted.reserve(raw.size());
    for (auto& entry : keyed) sorted.push_back(std::move(raw[entry.second]));
    return sorted;
}

// A stream of its own: reading through the caller's descriptor would move its position.
DIR* open_stream_at(int folder_fd) {
    const int own = openat(folder_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0) return nullptr;
    DIR* dir = fdopendir(own);
    if (!dir) close(own);
    return dir;
}

ListedEntry listed(int folder_fd, const dirent& entry) {
    ListedEntry listed{entry.d_name};
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        struct stat st;
        if (fstatat(folder_fd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    listed.folder = type == DT_DIR;
    listed.link = type == DT_LNK;
    return listed;
}

}  // namespace

std::optional<std::string> find_entry(const std::filesystem::path& folder, std::string_view name) {
    struct stat st;
    if (lstat((folder / name).c_str(), &st) == 0) return std::string(name);
    std::u32string wanted = text::fold_case(name);
    std::optional<std::string> found;
    for (std::string& candidate : raw_names(folder)) {
        if (text::fold_case(candidate) == wanted && (!found || candidate < *found)) found = std::move(candidate);
    }
    return found;
}

bool is_folder(const std::filesystem::path& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> list_entries(const std::filesystem::path& folder) {
    return sorted_as_ntfs_lists(raw_names(folder));
}

std::vector<std::string> list_entries_at(int folder_fd) { return sorted_as_ntfs_lists(read_names(open_stream_at(folder_fd))); }

std::vector<ListedEntry> list_kinds_at(int folder_fd) {
    std::vector<ListedEntry> entries;
    std::unique_ptr<DIR, DirCloser> dir(open_stream_at(folder_fd));
    if (!dir) return entries;
    while (dirent* entry = readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") entries.push_back(listed(folder_fd, *entry));
    }
    return sorted_as_ntfs_lists(std::move(entries));
}

}  // namespace platform::fs::detail
