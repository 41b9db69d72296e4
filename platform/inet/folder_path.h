#pragma once
// The folder a URL store lives in, as the registry names it.
#include <cctype>
#include <string>

namespace platform::inet {

// "C:\a\b\" -> "C:\a\b"; a drive root keeps its backslash.
inline std::string without_trailing_backslash(std::string folder) {
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    return folder;
}

// Only a full path ("C:\...") names a store: an empty or relative folder (a missing Shell
// Folders value) would otherwise resolve against whatever folder is current.
inline bool is_full_path(const std::string& folder) {
    return folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) && folder[1] == ':' &&
           folder[2] == '\\';
}

}  // namespace platform::inet
