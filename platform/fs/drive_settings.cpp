#include "platform/fs/drive_settings.h"

#include <charconv>
#include <string>

#include "platform/fs/name_fold.h"
#include "platform/machine/registry_values.h"
#include "platform/text/ascii_case.h"

namespace platform::fs::detail {

namespace {

using registry::Root;
constexpr const char* kDrivesKey = "Software\\Wine\\Drives";
constexpr const char* kQuotaKey = "Software\\Tavrin\\DriveQuota";

std::string value_name(char letter) { return {text::ascii_lower(letter), ':'}; }

std::optional<std::string> read_text(const registry::Registry& registry, const char* key, char letter) {
    return machine_detail::read_string(registry, Root::LocalMachine, key, value_name(letter));
}

}  // namespace

DriveType configured_drive_type(const registry::Registry& registry, char letter) {
    auto text = read_text(registry, kDrivesKey, letter);
    if (!text) return DriveType::Fixed;
    if (same_name(*text, "floppy")) return DriveType::Removable;
    if (same_name(*text, "cdrom")) return DriveType::CdRom;
    if (same_name(*text, "network")) return DriveType::Remote;
    if (same_name(*text, "ramdisk")) return DriveType::RamDisk;
    return DriveType::Fixed;
}

std::optional<uint64_t> configured_quota(const registry::Registry& registry, char letter) {
    auto text = read_text(registry, kQuotaKey, letter);
    if (!text) return std::nullopt;
    uint64_t capacity = 0;
    auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), capacity);
    if (ec != std::errc() || end != text->data() + text->size()) return std::nullopt;
    return capacity;
}

void configure_quota(registry::Registry& registry, char letter, std::optional<uint64_t> capacity_bytes) {
    if (!capacity_bytes) {
        registry.delete_value(Root::LocalMachine, kQuotaKey, value_name(letter));
        return;
    }
    machine_detail::write_string(registry, Root::LocalMachine, kQuotaKey, value_name(letter),
                                 std::to_string(*capacity_bytes));
}

}  // namespace platform::fs::detail
