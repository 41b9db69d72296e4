#pragma once
// Whether a host path lies at or below a folder, compared part by part: "/a/bc" is not within "/a/b".
// Both are taken as given; callers make them canonical first where links matter.
#include <algorithm>
#include <filesystem>

namespace platform::fs {

inline bool is_within(const std::filesystem::path& path, const std::filesystem::path& folder) {
    const auto [folder_end, unused] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return folder_end == folder.end();
}

}  // namespace platform::fs
