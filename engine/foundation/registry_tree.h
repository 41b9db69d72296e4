#pragma once
// Removing a registry key with everything below it, quietly: for the engine's own bookkeeping
// (class registration, settings sections). Deletions a user should see go through
// cRegistry.del_reg_sub, which logs each one.
#include <string_view>

#include "platform/registry/registry.h"

namespace engine {

// True when the key is gone afterwards (or was never there).
bool delete_registry_tree(platform::registry::Registry& registry, platform::registry::Root root, std::string_view path);

}  // namespace engine
