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

std::vector<std::string> RuleFolders::matching(std::string_view pattern) {
    const std::vector<std::string> parts = segments(pattern);
    if (parts.empty()) return {};
    std::vector<std::string> folders = {parts[0]};
    for (size_t i = 1; i < parts.size() && !folders.empty(); ++i) {
        std::vector<std::string> deeper;
        for (const std::string& folder : folders) {
            if (has_wildcard(parts[i])) {
                for (const std::string& name : subfolders(folder, parts[i])) deeper.push_back(folder + "\\" + name);
            } else if (std::string path = folder + "\\" + parts[i]; is_folder(path)) {
                // Each folder on the way is looked for once: rules that begin alike share the answer.
                deeper.push_back(std::move(path));
            }
        }
        folders = std::move(deeper);
    }
    return folders;
}

void RuleFolders::forget() {
    subfolders_.clear();
    folders_.clear();
}

const std::vector<std::string>& RuleFolders::subfolders(const std::string& folder, const std::string& mask) {
    auto [known, added] = subfolders_.try_emplace(folder + "\\" + mask);
    if (!added) return known->second;
    for (const platform::fs::FindData& found : platform::current_machine().files().find(known->first)) {
        const bool real_folder = (found.attributes & platform::fs::attr::Directory) &&
                                 !(found.attributes & platform::fs::attr::ReparsePoint);
        if (real_folder && !is_dot_entry(found.name)) known->second.push_back(found.name);
    }
    return known->second;
}

bool RuleFolders::is_folder(const std::string& path) {
    auto [known, added] = folders_.try_emplace(path);
    if (added) known->second = platform::current_machine().files().is_directory(path);
    return known->second;
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
