#pragma once
// What the machine's registry says about its drives: the type Wine was told (the "Drives" key of
// Wine's settings in HKLM) and the capacity Tavrin was told to pretend ("DriveQuota" of its own).
#include <cstdint>
#include <optional>

#include "platform/fs/fs.h"
#include "platform/registry/registry.h"

namespace platform::machine_detail {

class RegistryDriveSettings final : public fs::DriveSettings {
public:
    explicit RegistryDriveSettings(registry::Registry& registry) : registry_(registry) {}

    fs::DriveType type(char letter) const override;
    std::optional<uint64_t> quota(char letter) const override;
    void set_quota(char letter, std::optional<uint64_t> capacity_bytes) override;

private:
    registry::Registry& registry_;
};

}  // namespace platform::machine_detail
