#pragma once
// Paths of the rule form on the machine's drives: wildcards in any segment ("Profiles\*\cache2",
// "CLR_v*") stand for every folder whose name they match.
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// The existing folders the pattern names, in the order the drives list them; links are not
// followed into (a wildcard must not lead out through one).
std::vector<std::string> matching_folders(std::string_view pattern);

// Whether a file or folder the pattern names exists; wildcards only in its last segment.
bool path_found(std::string_view pattern);

// Whether `folder` is what `pattern` names (segment by segment, wildcards matching one segment
// each), or with `or_below` a folder inside it.
bool folder_matches(std::string_view pattern, std::string_view folder, bool or_below);

}  // namespace engine
