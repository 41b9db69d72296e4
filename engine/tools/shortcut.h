#pragma once
// Shortcut: the pieces of a dead-shortcut finder - collecting shortcut files below a folder and
// reading where one of them points. Whether the target still exists is the caller's question.
#include <cstdint>
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/variant.h"

namespace engine {

class Shortcut : public EngineObject {
public:
    // The text before the first NUL; the argument is cut the same way.
    std::string StripNulls(std::string& OriginalStr) const;

    // Collects every entry matching SearchStr ("*.lnk") in `path` and below it, appending ","
    // and its full path to `result` for each. Folders named "System Volume Information" (any
    // case) are not searched. FileCount and DirCount are added to, not reset; they are 64-bit
    // so that no tree can overflow them. Returns the summed size of the matches (a double).
    Variant FindShortCuts(const std::string& path, const std::string& SearchStr, int64_t& FileCount,
                          int64_t& DirCount, std::string& result);

    // The target path of a shortcut file. When the file cannot be read or is not a valid
    // shortcut, the program shows the error once (the engine message hook) and the result is "".
    std::string GetDeadShortcuts(const std::string& strShortcut);
};

}  // namespace engine
