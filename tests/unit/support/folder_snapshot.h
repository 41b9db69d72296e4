#pragma once
// Every entry below a folder with its kind, permissions and contents (a link by its target), to
// show that something changed no byte of it.
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace tavrin_test {

using FolderSnapshot = std::map<std::string, std::string>;

inline FolderSnapshot snapshot(const std::filesystem::path& dir) {
    namespace stdfs = std::filesystem;
    FolderSnapshot entries;
    for (auto it = stdfs::recursive_directory_iterator(dir); it != stdfs::recursive_directory_iterator(); ++it) {
        const auto status = it->symlink_status();
        std::ostringstream state;
        state << static_cast<int>(status.type()) << ' ' << static_cast<int>(status.permissions()) << ' ';
        if (stdfs::is_symlink(status)) state << stdfs::read_symlink(it->path()).string();
        else if (stdfs::is_regular_file(status)) state << std::ifstream(it->path(), std::ios::binary).rdbuf();
        entries[stdfs::relative(it->path(), dir).string()] = state.str();
    }
    return entries;
}

// What differs between two snapshots, one line per entry; "" when nothing does.
inline std::string changes(const FolderSnapshot& before, const FolderSnapshot& after) {
    std::string text;
    for (const auto& [path, state] : before) {
        auto found = after.find(path);
        if (found == after.end()) text += "gone: " + path + "\n";
        else if (found->second != state) text += "changed: " + path + "\n";
    }
    for (const auto& [path, state] : after)
        if (!before.contains(path)) text += "new: " + path + "\n";
    return text;
}

}  // namespace tavrin_test
