#pragma once
// Paths of the rule form on the machine's drives: wildcards in any segment ("Profiles\*\cache2",
// "CLR_v*") stand for every folder whose name they match.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace engine {

// The folders rule patterns name, for the length of one run. Many rules of one program begin
// alike ("Google\Chrome*\User Data\*\..." dozens of times), so a folder listed for a wildcard
// and a folder looked for are remembered; the run calls forget() whenever it removes a folder, and
// everything is looked at afresh after that. A change others make meanwhile shows as it would to
// a run started a moment earlier.
class RuleFolders {
public:
    // The existing folders the pattern names, in the order the drives list them; links are not
    // followed into (a wildcard must not lead out through one).
    std::vector<std::string> matching(std::string_view pattern);
    void forget();

private:
    // The real folders (not links) in `folder` whose names the mask matches.
    const std::vector<std::string>& subfolders(const std::string& folder, const std::string& mask);
    bool is_folder(const std::string& path);

    std::unordered_map<std::string, std::vector<std::string>> subfolders_;  // by folder + "\" + mask
    std::unordered_map<std::string, bool> folders_;                         // by path
};

// Whether a file or folder the pattern names exists; wildcards only in its last segment.
bool path_found(std::string_view pattern);

// Whether `folder` is what `pattern` names (segment by segment, wildcards matching one segment
// each), or with `or_below` a folder inside it.
bool folder_matches(std::string_view pattern, std::string_view folder, bool or_below);

}  // namespace engine
