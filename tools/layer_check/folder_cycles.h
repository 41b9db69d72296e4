#pragma once
// Cycles between the folders of one layer. A folder is the one a source sits in ("app/kernel",
// "platform/fs"); it depends on every folder of its own layer one of its sources includes a header
// from. Folders that depend on each other, directly or around a longer loop, can be neither built
// nor understood one at a time, so every such loop is a fault.
#include <string>
#include <vector>

#include "source_includes.h"

namespace layer_check {

// One include that makes a folder depend on another.
struct FolderEdge {
    std::string from, to;  // "app/kernel" -> "app/features/dll"
    std::string file;      // the including file below the source folder
    int line = 0;
};

// One loop of folders: each edge's `to` is the next edge's `from`, the last one's `to` the first
// one's `from`. Every folder caught in a loop lies on at least one of the loops returned.
using FolderCycle = std::vector<FolderEdge>;

std::vector<FolderCycle> folder_cycles(const std::vector<SourceFile>& sources);

}  // namespace layer_check
