#include "engine/shredder/file_search.h"

#include <vector>

#include "engine/shredder/path_pieces.h"

namespace engine {

namespace {

namespace attr = platform::fs::attr;

// Host names may hold characters a Windows path cannot carry; such an entry cannot be named
// through the file functions, so the search passes it by.
bool is_usable_name(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return false;
    return true;
}

}  // namespace

uint64_t search_files(const platform::fs::FileSystem& files, const std::string& folder, std::string_view pattern,
                      const FileSearch& search) {
    const std::string base = join_path(folder, "");
    if (search.enters && !search.enters(base)) return 0;

    uint64_t total = 0;
    std::vector<std::string> subfolders;
    try {
        for (const auto& entry : files.find(base + "*")) {
            const std::string name = cut_at_nul(entry.name);
            if (!is_usable_name(name) || !(entry.attributes & attr::Directory) || (entry.attributes & attr::ReparsePoint))
                continue;
            subfolders.push_back(name);
            if (search.counts_folder) search.counts_folder();
        }
        for (const auto& entry : files.find(base + std::string(pattern))) {
            const std::string name = cut_at_nul(entry.name);
            if (!is_usable_name(name)) continue;
            total += entry.size;
            if (search.reports_match) search.reports_match(base + name, entry);
        }
    } catch (const platform::fs::FsError&) {
        return total;
    }
    for (const auto& name : subfolders) total += search_files(files, base + name, pattern, search);
    return total;
}

}  // namespace engine
