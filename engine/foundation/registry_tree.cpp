#include "engine/foundation/registry_tree.h"

#include <string>

namespace engine {

bool delete_registry_tree(platform::registry::Registry& registry, platform::registry::Root root,
                          std::string_view path) {
    // An empty path is the root itself, which is never ours to remove.
    if (path.empty()) return false;
    for (const std::string& child : registry.subkey_names(root, path)) {
        delete_registry_tree(registry, root, std::string(path) + "\\" + child);
    }
    registry.delete_key(root, path);
    return !registry.key_exists(root, path);
}

}  // namespace engine
