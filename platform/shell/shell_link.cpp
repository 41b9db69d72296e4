#include "platform/shell/shell_link.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform::shell {

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
// 00021401-0000-0000-C000-000000000046 as stored (little-endian fields).
constexpr std::array<uint8_t, 16> kShellLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// {20D04FE0-3AEA-1069-A2D8-08002B30309D}: "My Computer", the parent of every drive.
constexpr std::array<uint8_t, 16> kMyComputerClsid = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                      0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

namespace flag {
constexpr uint32_t HasTargetIdList = 0x1, HasLinkInfo = 0x2, HasName = 0x4, HasRelativePath = 0x8,
                   HasWorkingDir = 0x10, HasArguments = 0x20, HasIconLocation = 0x40, IsUnicode = 0x80,
                   ForceNoLinkInfo = 0x100, HasExpString = 0x200;
}
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x1, kCommonNetworkRelativeLink = 0x2;
constexpr uint32_t kEnvironmentBlockSignature = 0xA0000001, kFileEntryExtensionSignature = 0xBEEF0004;

[[noreturn]] void damaged(const std::string& what) {
    throw ShellLinkError("The shortcut file is damaged: " + what + ".");
}

void append_utf8(std::string& out, uint32_t code_point) {
    if (code_point < 0x80) {
        out += static_cast<char>(code_point);
    } else if (code_point < 0x800) {
        out += static_cast<char>(0xC0 | (code_point >> 6));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        out += static_cast<char>(0xE0 | (code_point >> 12));
        out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code_point >> 18));
        out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    }
}

bool is_valid_utf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

// Shortcuts made on this platform store UTF-8 in their single-byte strings; those made on a
// Windows system store its code page, which we read as Latin-1 rather than pass on broken text.
std::string from_ansi(std::string_view bytes) {
    if (is_valid_utf8(bytes)) return std::string(bytes);
    std::string out;
    for (char c : bytes) append_utf8(out, static_cast<uint8_t>(c));
    return out;
}

// Bounds-checked little-endian reads over one structure of the file.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    size_t size() const { return bytes_.size(); }
    uint8_t u8(size_t at) const { return static_cast<uint8_t>(need(at, 1)[0]); }
    uint16_t u16(size_t at) const {
        const char* p = need(at, 2);
        return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8);
    }
    uint32_t u32(size_t at) const { return u16(at) | static_cast<uint32_t>(u16(at + 2)) << 16; }
    bool matches(size_t at, const std::array<uint8_t, 16>& id) const {
        const char* p = need(at, id.size());
        for (size_t i = 0; i < id.size(); ++i)
            if (static_cast<uint8_t>(p[i]) != id[i]) return false;
        return true;
    }
    Reader sub(size_t at, size_t length) const { return Reader(std::string_view(need(at, length), length)); }

    // A NUL-terminated single-byte string that must end inside the structure.
    std::string ansi_z(size_t at) const {
        need(at, 0);
        const size_t end = bytes_.find('\0', at);
        if (end == std::string_view::npos) damaged("a text runs past its structure");
        return from_ansi(bytes_.substr(at, end - at));
    }
    // A NUL-terminated UTF-16 string; *end receives the offset after its terminator.
    std::string utf16_z(size_t at, size_t* end = nullptr) const {
        std::string out;
        for (size_t i = at;; i += 2) {
            uint32_t unit = u16(i);
            if (unit == 0) {
                if (end) *end = i + 2;
                return out;
            }
            if (unit >= 0xD800 && unit < 0xDC00 && i + 4 <= bytes_.size()) {
                const uint32_t low = u16(i + 2);
                if (low >= 0xDC00 && low < 0xE000) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            append_utf8(out, unit);
        }
    }

private:
    const char* need(size_t at, size_t length) const {
        if (at > bytes_.size() || length > bytes_.size() - at) damaged("a structure is cut short");
        return bytes_.data() + at;
    }
    std::string_view bytes_;
};

// LinkInfo: where the target was when the shortcut was made, as a local or network path.
std::string link_info_target(const Reader& info) {
    const uint32_t header_size = info.u32(4);
    const uint32_t flags = info.u32(8);
    const bool has_unicode = header_size >= 0x24;
    const uint32_t suffix_at = has_unicode && info.u32(0x20) != 0 ? info.u32(0x20) : info.u32(0x18);
    const std::string suffix = has_unicode && info.u32(0x20) != 0 ? info.utf16_z(suffix_at) : info.ansi_z(suffix_at);

    if (flags & kVolumeIdAndLocalBasePath) {
        const std::string base = has_unicode && info.u32(0x1C) != 0 ? info.utf16_z(info.u32(0x1C)) : info.ansi_z(info.u32(0x10));
        return base + suffix;
    }
    if (flags & kCommonNetworkRelativeLink) {
        const uint32_t share_at = info.u32(0x14);
        const Reader share = info.sub(share_at, info.u32(share_at));
        const uint32_t name_at = share.u32(8);
        const std::string net_name = name_at > 0x14 && share.u32(0x14) != 0 ? share.utf16_z(share.u32(0x14)) : share.ansi_z(name_at);
        return suffix.empty() ? net_name : net_name + "\\" + suffix;
    }
    return "";
}

// The long name a file entry item keeps in its 0xBEEF0004 extension; where it sits depends
// on the extension's version.
std::optional<std::string> long_name(const Reader& item, size_t extension_at) {
    if (extension_at + 8 > item.size()) return std::nullopt;
    const Reader extension = item.sub(extension_at, std::min<size_t>(item.u16(extension_at), item.size() - extension_at));
    if (extension.size() < 8 || extension.u32(4) != kFileEntryExtensionSignature) return std::nullopt;
    const uint16_t version = extension.u16(2);
    const size_t name_at = version < 3 ? 0 : version < 7 ? 0x14 : version == 7 ? 0x26 : version == 8 ? 0x2A : 0x2E;
    if (name_at == 0 || name_at >= extension.size()) return std::nullopt;
    return extension.utf16_z(name_at);
}

std::string file_entry_name(const Reader& item) {
    const bool unicode = item.u8(2) & 0x04;
    size_t after_name = 0;
    std::string name;
    if (unicode) {
        name = item.utf16_z(14, &after_name);
    } else {
        name = item.ansi_z(14);
        after_name = 14 + name.size() + 1;
    }
    after_name += after_name % 2;
    return long_name(item, after_name).value_or(name);
}

// The target list of shell items: "My Computer", a drive, then one item per folder and file.
// Anything else (network places, control panel, URLs) has no file path.
std::string id_list_target(const Reader& list) {
    std::vector<Reader> items;
    for (size_t at = 0;;) {
        const uint16_t size = list.u16(at);
        if (size == 0) break;
        if (size < 3) damaged("a shell item is too small");
        items.push_back(list.sub(at, size));
        at += size;
    }
    if (items.size() < 2 || items[0].size() < 20 || items[0].u8(2) != 0x1F || !items[0].matches(4, kMyComputerClsid))
        return "";
    if ((items[1].u8(2) & 0x70) != 0x20) return "";
    std::string path = items[1].ansi_z(3);
    for (size_t i = 2; i < items.size(); ++i) {
        if ((items[i].u8(2) & 0x70) != 0x30) return "";
        if (!path.empty() && path.back() != '\\') path += '\\';
        path += file_entry_name(items[i]);
    }
    return path;
}

struct Layout {
    std::optional<Reader> id_list;
    std::optional<Reader> link_info;
    std::optional<std::string> environment_target;
};

size_t skip_string_data(const Reader& file, size_t at, uint32_t flags) {
    const size_t char_size = flags & flag::IsUnicode ? 2 : 1;
    for (uint32_t present : {flag::HasName, flag::HasRelativePath, flag::HasWorkingDir, flag::HasArguments,
                             flag::HasIconLocation}) {
        if (flags & present) at += 2 + file.u16(at) * char_size;
    }
    return at;
}

std::optional<std::string> environment_target(const Reader& file, size_t at) {
    while (at + 4 <= file.size()) {
        const uint32_t block_size = file.u32(at);
        if (block_size < 4) break;  // the terminal block
        const Reader block = file.sub(at, block_size);
        if (block_size >= 0x314 && block.u32(4) == kEnvironmentBlockSignature) {
            std::string target = block.utf16_z(8 + 260);
            return target.empty() ? block.ansi_z(8) : target;
        }
        at += block_size;
    }
    return std::nullopt;
}

Layout read_layout(const Reader& file) {
    if (file.size() < kHeaderSize || file.u32(0) != kHeaderSize || !file.matches(4, kShellLinkClsid))
        throw ShellLinkError("The file is not a shortcut (no Shell Link header).");
    const uint32_t flags = file.u32(0x14);
    Layout layout;
    size_t at = kHeaderSize;
    if (flags & flag::HasTargetIdList) {
        const uint16_t size = file.u16(at);
        layout.id_list = file.sub(at + 2, size);
        at += 2 + size;
    }
    if (flags & flag::HasLinkInfo) {
        const uint32_t size = file.u32(at);
        if (size < 0x1C) damaged("the link information is too small");
        if (!(flags & flag::ForceNoLinkInfo)) layout.link_info = file.sub(at, size);
        at += size;
    }
    if (flags & flag::HasExpString) layout.environment_target = environment_target(file, skip_string_data(file, at, flags));
    return layout;
}

}  // namespace

std::string shell_link_target(std::string_view link_bytes) {
    const Layout layout = read_layout(Reader(link_bytes));
    if (layout.link_info) {
        std::string target = link_info_target(*layout.link_info);
        if (!target.empty()) return target;
    }
    if (layout.id_list) {
        std::string target = id_list_target(*layout.id_list);
        if (!target.empty()) return target;
    }
    return layout.environment_target.value_or("");
}

}  // namespace platform::shell
