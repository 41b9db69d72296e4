#pragma once
// HDD: a recursive file finder that reports each match through an event.
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"
#include "engine/foundation/variant.h"

namespace engine {

class HDD : public EngineObject {
public:
    // Searches `path` and its subfolders for entries matching SearchStr ("*.tmp"). DirCount grows
    // by the subfolders met and FileCount by the matches (both are added to, not reset); Found is
    // raised for every match that is a file, a folder's own files before those of its
    // subfolders. Returns the summed size of the matches in bytes (a double).
    Variant FindFiles(const std::string& path, const std::string& SearchStr, double& FileCount, double& DirCount);

    Event<std::string> Found;
    Event<std::string> ShowLog;  // part of the event interface; FindFiles does not raise it
};

}  // namespace engine
