#pragma once
// Paths of the rule form on the machine's drives: wildcards in any segment ("Profiles\*\cache2",
// "CLR_v*") stand for every folder whose name they match.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/fs/fs.h"

namespace engine {

// The folders rule patterns name, for the length of one run. Many rules of one program begin
// alike ("Google\Chrome*\User Data\*\..." dozens of times) and name many folders side by side
// ("...\Default\Cache", "...\Default\GPUCache", ...), most of which do not exist: each folder on
// the way is listed once, by name and kind, and every name looked for there is found in that list
// as a path lookup finds it. The run calls forget() whenever it removes a folder, and everything is
// looked at afresh after that. A change others make meanwhile shows as it would to a run started a
// moment earlier.
class RuleFolders {
public:
    // The existing folders the pattern names, in the order the drives list them; links are not
    // followed into (a wildcard must not lead out through one).
    std::vector<std::string> matching(std::string_view pattern);
    void forget();

private:
    struct Listing {
        std::vector<platform::fs::ListedEntry> entries;
        std::unordered_map<std::string, size_t> by_name;       // entries by their exact name
        std::unordered_map<std::u32string, size_t> by_folded;  // the first in byte order of each folded name
    };
    const Listing& listing(const std::string& folder);
    // Whether `folder` + "\" + `name` leads to a folder; a link to one is followed, as a path is.
    bool holds_folder(const std::string& folder, const std::string& name);

    std::unordered_map<std::string, Listing> listings_;  // by folder path as spelt
};

// Whether a file or folder the pattern names exists; wildcards only in its last segment.
bool path_found(std::string_view pattern);

// Whether `folder` is what `pattern` names (segment by segment, wildcards matching one segment
// each), or with `or_below` a folder inside it.
bool folder_matches(std::string_view pattern, std::string_view folder, bool or_below);

}  // namespace engine
