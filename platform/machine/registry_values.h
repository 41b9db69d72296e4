#pragma once
// Text values of the machine's registry, as the drive and machine code reads and writes them.
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry/registry.h"

namespace platform::machine_detail {

// A REG_SZ or REG_EXPAND_SZ value up to its first NUL (unexpanded); nullopt when missing or
// of another type.
std::optional<std::string> read_string(const registry::Registry& registry, registry::Root root, std::string_view key,
                                       std::string_view name);

// Creates the key when needed.
void write_string(registry::Registry& registry, registry::Root root, std::string_view key, std::string_view name,
                  std::string_view text, uint32_t type = registry::type::Sz);

}  // namespace platform::machine_detail
