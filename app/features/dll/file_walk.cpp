#include "app/features/dll/file_walk.h"

#include <functional>
#include <optional>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/sys/run_cancel.h"
#include "platform/text/ascii_case.h"

namespace app {

using platform::text::to_lower;
using platform::text::to_upper;

namespace {

namespace fs = platform::fs;

bool excluded(std::string_view folder) {
    const std::string lower = to_lower(folder);
    for (std::string_view word : kExcludedFolderWords)
        if (lower.find(word) != std::string::npos) return true;
    return false;
}

std::string drive_of(std::string_view path) { return to_upper(path.substr(0, 2)); }

// One open folder of the walk and the subfolders it still has to enter.
struct Level {
    fs::Folder folder;
    std::string path;  // ends with "\"
    std::vector<std::string> subfolders;
    size_t next = 0;
};

// A matching file of a folder and its size.
struct Match {
    std::string name;
    uint64_t size = 0;
};

// Visits folder by folder in the order the walk promises, keeping only the chain of folders
// from the start to the current one open. `visit` sees a folder's path and its matching files
// and returns false to end the walk. Only the matching files are looked at one by one.
using FolderVisit = std::function<bool(const std::string& path, const std::vector<Match>& matches)>;

void walk(fs::FileSystem& files, const std::string& start, std::string_view pattern, WalkCounts& counts,
          const FolderVisit& visit) {
    std::vector<Level> levels;
    auto enter = [&](fs::Folder folder, std::string path) {
        std::vector<Match> matches;
        std::vector<std::string> subfolders;
        for (fs::ListedEntry& entry : folder.listed_entries()) {
            if (entry.folder) {
                ++counts.folders;
                subfolders.push_back(std::move(entry.name));
            } else if (!entry.link && fs::wildcard_match(pattern, entry.name)) {
                // Gone since the listing, or not a file after all: not counted.
                if (auto size = folder.file_size(entry.name)) {
                    ++counts.files;
                    matches.push_back({std::move(entry.name), *size});
                }
            }
        }
        if (!visit(path, matches)) return false;
        levels.push_back({std::move(folder), std::move(path), std::move(subfolders)});
        return true;
    };
    auto root = files.open_folder(start);
    if (!root || !enter(std::move(*root), start)) return;
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.subfolders.size()) {
            levels.pop_back();
            continue;
        }
        const std::string& name = level.subfolders[level.next++];
        auto sub = level.folder.subfolder(name);
        if (sub && !enter(std::move(*sub), level.path + name + "\\")) return;
    }
}

std::string with_trailing_backslash(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace

uint64_t collectFiles(fs::FileSystem& files, std::string& folder, std::string_view pattern, WalkCounts& counts,
                      std::string& file_list) {
    folder = with_trailing_backslash(std::move(folder));
    uint64_t total = 0;
    walk(files, folder, pattern, counts, [&](const std::string& path, const std::vector<Match>& matches) {
        const bool listed = !excluded(path);
        for (const Match& file : matches) {
            total += file.size;
            if (listed) file_list.append("|").append(path).append(file.name);
        }
        return !platform::run_cancel_requested();
    });
    return total;
}

void findForeignSystem(fs::FileSystem& files, std::string folder, std::string_view reference,
                       std::string_view windows_folder, bool& foreign_system) {
    folder = with_trailing_backslash(std::move(folder));
    WalkCounts counts;
    // Every match gives the same answer, since the walk stays on one drive: the first one settles it.
    walk(files, folder, reference, counts, [&](const std::string&, const std::vector<Match>& matches) {
        if (matches.empty()) return true;
        foreign_system = drive_of(folder) != drive_of(windows_folder);
        return false;
    });
}

}  // namespace app
