#include "engine/plugins/rule_folders.h"

#include "engine/plugins/rule_keys.h"
#include "platform/fs/fs.h"
#include "platform/machine/machine.h"
#include "platform/text/split.h"

namespace engine {

namespace {

std::vector<std::string> segments(std::string_view path) {
    std::vector<std::string> parts = platform::text::split(path, '\\');
    std::erase_if(parts, [](const std::string& part) { return part.empty(); });
    return parts;
}

bool is_dot_entry(const std::string& name) { return name == "." || name == ".."; }

}  // namespace

std::vector<std::string> matching_folders(std::string_view pattern) {
    const platform::fs::FileSystem& files = platform::current_machine().files();
    const std::vector<std::string> parts = segments(pattern);
    if (parts.empty()) return {};
    std::vector<std::string> folders = {parts[0]};
    for (size_t i = 1; i < parts.size() && !folders.empty(); ++i) {
        std::vector<std::string> deeper;
        for (const std::string& folder : folders) {
            if (!has_wildcard(parts[i])) {
                deeper.push_back(folder + "\\" + parts[i]);
                continue;
            }
            for (const platform::fs::FindData& found : files.find(folder + "\\" + parts[i])) {
                const bool real_folder = (found.attributes & platform::fs::attr::Directory) &&
                                         !(found.attributes & platform::fs::attr::ReparsePoint);
                if (real_folder && !is_dot_entry(found.name)) deeper.push_back(folder + "\\" + found.name);
            }
        }
        folders = std::move(deeper);
    }
    std::erase_if(folders, [&](const std::string& folder) { return !files.is_directory(folder); });
    return folders;
}

bool path_found(std::string_view pattern) {
    const platform::fs::FileSystem& files = platform::current_machine().files();
    if (!has_wildcard(pattern)) return files.exists(pattern);
    for (const platform::fs::FindData& found : files.find(pattern))
        if (!is_dot_entry(found.name)) return true;
    return false;
}

bool folder_matches(std::string_view pattern, std::string_view folder, bool or_below) {
    const std::vector<std::string> wanted = segments(pattern);
    const std::vector<std::string> have = segments(folder);
    if (have.size() < wanted.size() || (!or_below && have.size() != wanted.size())) return false;
    for (size_t i = 0; i < wanted.size(); ++i)
        if (!platform::fs::wildcard_match(wanted[i], have[i])) return false;
    return true;
}

}  // namespace engine
