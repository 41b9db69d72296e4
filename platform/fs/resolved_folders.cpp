#include "platform/fs/resolved_folders.h"

#include <algorithm>

namespace platform::fs::detail {

namespace {

// The path's first `parts` components as spelt, with its drive: the key of a remembered folder.
std::string key_of(const WindowsPath& path, size_t parts) {
    std::string key{path.drive, ':'};
    for (size_t i = 0; i < parts; ++i) (key += '\\') += path.parts[i];
    return key;
}

}  // namespace

ResolvedFolders::Start ResolvedFolders::deepest(const WindowsPath& path, size_t most, const std::filesystem::path& root) {
    std::lock_guard lock(mutex_);
    std::filesystem::path& known_root = roots_[path.drive - 'A'];
    if (known_root != root) {
        // The drive maps elsewhere now: what was found under its old root says nothing.
        hosts_.clear();
        known_root = root;
    }
    for (size_t parts = std::min(most, path.parts.size()); parts > 0; --parts) {
        if (auto found = hosts_.find(key_of(path, parts)); found != hosts_.end()) return {parts, found->second};
    }
    return {0, root};
}

void ResolvedFolders::remember(const WindowsPath& path, size_t parts, const std::filesystem::path& host) {
    std::lock_guard lock(mutex_);
    if (hosts_.size() >= kMostRemembered) hosts_.clear();
    hosts_.insert_or_assign(key_of(path, parts), host);
}

void ResolvedFolders::forget_all() {
    std::lock_guard lock(mutex_);
    hosts_.clear();
}

}  // namespace platform::fs::detail
