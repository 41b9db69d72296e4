#include "engine/regcleaner/file_found.h"

#include <algorithm>

#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"

namespace engine::regcleaner {

using platform::text::ascii_upper;

namespace {

namespace attr = platform::fs::attr;

bool is_normal_listing(uint32_t attributes) {
    return (attributes & (attr::Directory | attr::Hidden | attr::System)) == 0;
}

std::string name_key(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x80) key += ascii_upper(c);
    }
    return key;
}

// What Windows refuses in a name never names an entry, whatever the host's folder holds.
bool is_windows_name(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           std::none_of(name.begin(), name.end(), [](char c) {
               return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|").find(c) != std::string_view::npos;
           });
}

}  // namespace

const FileIndex::Listing& FileIndex::listing(const std::string& folder) {
    auto [it, added] = folders_.try_emplace(folder);
    if (added) {
        for (auto& entry : platform::current_machine().files().normal_listing(folder)) {
            std::string key = name_key(entry.name);
            it->second.emplace(std::move(key), std::move(entry));
        }
    }
    return it->second;
}

bool FileIndex::found_as_normal_file(std::string_view path) {
    // A listing of "C:\x\" would be of the folder's inside, not of a name.
    size_t split = path.find_last_of("\\/");
    if (split == std::string_view::npos || split + 1 == path.size()) return false;
    std::string_view name = path.substr(split + 1);

    if (name.find_first_of("*?") != std::string_view::npos) {
        auto entries = platform::current_machine().files().find(path);
        return std::any_of(entries.begin(), entries.end(),
                           [](const platform::fs::FindData& entry) { return is_normal_listing(entry.attributes); });
    }
    if (!is_windows_name(name)) return false;

    // The entry Windows would open: the exact name, else the first (in byte order) equal to it.
    const platform::fs::FileSystem::ShownEntry* chosen = nullptr;
    auto [begin, end] = listing(std::string(path.substr(0, split))).equal_range(name_key(name));
    for (auto it = begin; it != end; ++it) {
        const auto& entry = it->second;
        if (!platform::fs::same_file_name(entry.name, name)) continue;
        if (entry.name == name) return entry.normal;
        if (!chosen || entry.name < chosen->name) chosen = &entry;
    }
    return chosen && chosen->normal;
}

}  // namespace engine::regcleaner
