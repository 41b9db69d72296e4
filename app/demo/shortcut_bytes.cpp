#include "app/demo/shortcut_bytes.h"

#include <cstdint>

namespace app::demo {

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint32_t kHasLinkInfo = 0x2;
constexpr uint32_t kLinkInfoHeaderSize = 0x1C;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr uint32_t kVolumeIdSize = 0x11;  // its fixed part and an empty label
constexpr uint32_t kDriveFixed = 3;
constexpr uint8_t kShellLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

void put32(std::string& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((value >> shift) & 0xFF);
}

void put_zeros(std::string& bytes, size_t count) { bytes.append(count, '\0'); }

}  // namespace

std::string shortcut_bytes(const std::string& target) {
    std::string bytes;
    put32(bytes, kHeaderSize);
    bytes.append(reinterpret_cast<const char*>(kShellLinkClsid), sizeof kShellLinkClsid);
    put32(bytes, kHasLinkInfo);
    put32(bytes, 0x20);       // the target's attributes: archive
    put_zeros(bytes, 3 * 8);  // creation, access and write times
    put32(bytes, 0);          // the target's size
    put32(bytes, 0);          // icon index
    put32(bytes, 1);          // shown normally
    put_zeros(bytes, 2 + 2 + 4 + 4);  // hot key and reserved fields

    const uint32_t volume_at = kLinkInfoHeaderSize;
    const uint32_t base_path_at = volume_at + kVolumeIdSize;
    const uint32_t suffix_at = base_path_at + static_cast<uint32_t>(target.size()) + 1;
    put32(bytes, suffix_at + 1);  // the whole link information
    put32(bytes, kLinkInfoHeaderSize);
    put32(bytes, kVolumeIdAndLocalBasePath);
    put32(bytes, volume_at);
    put32(bytes, base_path_at);
    put32(bytes, 0);  // no network location
    put32(bytes, suffix_at);
    put32(bytes, kVolumeIdSize);
    put32(bytes, kDriveFixed);
    put32(bytes, 0x1E7A5E11);  // a volume serial number
    put32(bytes, 0x10);        // the label follows the fixed part
    bytes += '\0';
    bytes += target;
    bytes += '\0';
    bytes += '\0';  // no path suffix
    return bytes;
}

}  // namespace app::demo
