#include "platform/machine/drive_settings.h"

#include <charconv>
#include <string>

#include "platform/machine/registry_values.h"
#include "platform/text/ascii_case.h"
#include "platform/text/name_fold.h"

namespace platform::machine_detail {

namespace {

using registry::Root;
constexpr const char* kDrivesKey = "Software\\Wine\\Drives";
constexpr const char* kQuotaKey = "Software\\Tavrin\\DriveQuota";

std::string value_name(char letter) { return {text::ascii_lower(letter), ':'}; }

std::optional<std::string> read_text(const registry::Registry& registry, const char* key, char letter) {
    return read_string(registry, Root::LocalMachine, key, value_name(letter));
}

}  // namespace

fs::DriveType RegistryDriveSettings::type(char letter) const {
    using fs::DriveType;
    auto setting = read_text(registry_, kDrivesKey, letter);
    if (!setting) return DriveType::Fixed;
    if (text::same_name(*setting, "floppy")) return DriveType::Removable;
    if (text::same_name(*setting, "cdrom")) return DriveType::CdRom;
    if (text::same_name(*setting, "network")) return DriveType::Remote;
    if (text::same_name(*setting, "ramdisk")) return DriveType::RamDisk;
    return DriveType::Fixed;
}

std::optional<uint64_t> RegistryDriveSettings::quota(char letter) const {
    auto setting = read_text(registry_, kQuotaKey, letter);
    if (!setting) return std::nullopt;
    uint64_t capacity = 0;
    auto [end, ec] = std::from_chars(setting->data(), setting->data() + setting->size(), capacity);
    if (ec != std::errc() || end != setting->data() + setting->size()) return std::nullopt;
    return capacity;
}

void RegistryDriveSettings::set_quota(char letter, std::optional<uint64_t> capacity_bytes) {
    if (!capacity_bytes) {
        registry_.delete_value(Root::LocalMachine, kQuotaKey, value_name(letter));
        return;
    }
    write_string(registry_, Root::LocalMachine, kQuotaKey, value_name(letter), std::to_string(*capacity_bytes));
}

}  // namespace platform::machine_detail
