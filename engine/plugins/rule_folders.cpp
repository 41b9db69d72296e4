#include "engine/plugins/rule_folders.h"

#include "engine/plugins/rule_keys.h"
#include "platform/fs/fs.h"
#include "platform/machine/machine.h"
#include "platform/text/name_fold.h"
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
                for (const platform::fs::ListedEntry& entry : listing(folder).entries)
                    if (entry.folder && platform::fs::wildcard_match(parts[i], entry.name))
                        deeper.push_back(folder + "\\" + entry.name);
            } else if (holds_folder(folder, parts[i])) {
                deeper.push_back(folder + "\\" + parts[i]);
            }
        }
        folders = std::move(deeper);
    }
    return folders;
}

void RuleFolders::forget() { listings_.clear(); }

const RuleFolders::Listing& RuleFolders::listing(const std::string& folder) {
    auto [known, added] = listings_.try_emplace(folder);
    Listing& listing = known->second;
    if (!added) return listing;
    listing.entries = platform::current_machine().files().listed_entries(folder);
    // Entries come sorted without regard to case, each run of names that differ only in case in
    // byte order: the first of a run is the one a lookup of another spelling finds.
    for (size_t i = 0; i < listing.entries.size(); ++i) {
        const std::string& name = listing.entries[i].name;
        listing.by_name.emplace(name, i);
        listing.by_folded.try_emplace(platform::text::fold_case(name), i);
    }
    return listing;
}

bool RuleFolders::holds_folder(const std::string& folder, const std::string& name) {
    const Listing& listed = listing(folder);
    // A lookup finds the name as spelt first, and another spelling only without it.
    size_t found = 0;
    if (const auto exact = listed.by_name.find(name); exact != listed.by_name.end()) {
        found = exact->second;
    } else if (const auto folded = listed.by_folded.find(platform::text::fold_case(name)); folded != listed.by_folded.end()) {
        found = folded->second;
    } else {
        return false;
    }
    const platform::fs::ListedEntry& entry = listed.entries[found];
    if (!entry.link) return entry.folder;
    return platform::current_machine().files().is_directory(folder + "\\" + entry.name);
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
