#pragma once
// The scans' existence test: a path is found when a listing of exactly that path with normal
// attributes names something. Such a listing leaves out folders, hidden and system files, so
// those count as missing; "*" and "?" in the last component act as patterns. It only reads:
// a drive that maps outside the machine folder (Wine's z:) is looked at like any other.
//
// A scan asks about many names in the same few folders (the system folder, a documents folder),
// and a name that is missing costs a look through its folder without regard to case. So each
// folder is listed once and its names are looked up in memory for the rest of the scan: one
// FileIndex is one scan's view of the drives.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/fs/fs.h"

namespace engine::regcleaner {

class FileIndex {
public:
    bool found_as_normal_file(std::string_view path);

private:
    // The folder's entries by a key that equal names always share (ASCII letters upper-cased,
    // other bytes left out); entries under one key are told apart by the file-name comparison.
    using Listing = std::unordered_multimap<std::string, platform::fs::FileSystem::ShownEntry>;
    const Listing& listing(const std::string& folder);

    std::unordered_map<std::string, Listing> folders_;
};

}  // namespace engine::regcleaner
