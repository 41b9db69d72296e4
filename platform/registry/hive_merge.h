#pragma once
// Another program saved a hive while this one held unsaved changes to it. Those changes are
// carried over onto what the other program saved, key by key, wherever it left the key as it was
// at our last save; where it did not, its version stays and ours is named as not saved.
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/hive.h"

namespace platform::registry {

// Re-applies the changes `ours` made since it was last saved or loaded onto `theirs`, just loaded
// from the same file. Returns one line per key whose change was not carried over, the key named
// below root_name ("HKEY_CURRENT_USER", ...).
std::vector<std::string> reapply_changes(Hive& ours, Hive& theirs, std::string_view root_name);

}  // namespace platform::registry
