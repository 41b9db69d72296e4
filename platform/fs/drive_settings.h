#pragma once
// What the machine's registry says about its drives: the type Wine was told (the "Drives" key of
// Wine's settings in HKLM) and the capacity Tavrin was told to pretend ("DriveQuota" of its own).
#include <cstdint>
#include <optional>

#include "platform/fs/fs.h"
#include "platform/registry/registry.h"

namespace platform::fs::detail {

DriveType configured_drive_type(const registry::Registry& registry, char letter);

std::optional<uint64_t> configured_quota(const registry::Registry& registry, char letter);
void configure_quota(registry::Registry& registry, char letter, std::optional<uint64_t> capacity_bytes);

}  // namespace platform::fs::detail
