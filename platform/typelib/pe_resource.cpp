// The resource tree of a PE image has three levels (type, name, language); each is walked
// exactly once, so a tree that points back at itself cannot make the walk loop.
#include "platform/typelib/pe_resource.h"

#include <cctype>
#include <vector>

namespace platform::typelib {

namespace {

constexpr uint32_t kSubdirectoryBit = 0x80000000u;
constexpr uint32_t kNameIsStringBit = 0x80000000u;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint16_t kMaxSections = 96;  // the loader's own limit

struct Section {
    uint32_t virtual_address;
    uint32_t raw_size;
    uint32_t raw_offset;
};

// The parts of the headers the resource walk needs.
struct Image {
    std::vector<Section> sections;
    uint32_t resource_rva = 0;
    uint32_t resource_size = 0;
};

struct DirectoryEntry {
    uint32_t name;
    uint32_t target;
};

std::optional<Image> read_headers(const ByteSource& file) {
    if (file.u16(0) != 0x5A4D) return std::nullopt;  // "MZ"
    auto pe_offset = file.u32(0x3C);
    if (!pe_offset || file.u32(*pe_offset) != 0x00004550) return std::nullopt;  // "PE\0\0"
    uint64_t coff = uint64_t{*pe_offset} + 4;
    auto section_count = file.u16(coff + 2);
    auto optional_size = file.u16(coff + 16);
    if (!section_count || !optional_size || *section_count > kMaxSections) return std::nullopt;
    uint64_t optional = coff + 20;
    auto magic = file.u16(optional);
    if (!magic || (*magic != 0x10B && *magic != 0x20B)) return std::nullopt;
    uint64_t directory_count_at = *magic == 0x10B ? 92 : 108;
    auto directory_count = file.u32(optional + directory_count_at);
    uint64_t resource_entry_at = directory_count_at + 4 + 8 * kResourceDirectoryIndex;
    if (!directory_count || *directory_count <= kResourceDirectoryIndex || resource_entry_at + 8 > *optional_size)
        return std::nullopt;
    Image image;
    auto rva = file.u32(optional + resource_entry_at);
    auto size = file.u32(optional + resource_entry_at + 4);
    if (!rva || !size || *rva == 0 || *size == 0) return std::nullopt;
    image.resource_rva = *rva;
    image.resource_size = *size;
    auto table = file.bytes(optional + *optional_size, uint64_t{*section_count} * 40);
    if (!table) return std::nullopt;
    for (uint16_t i = 0; i < *section_count; ++i) {
        uint64_t at = uint64_t{i} * 40;
        image.sections.push_back({*le32(*table, at + 12), *le32(*table, at + 16), *le32(*table, at + 20)});
    }
    return image;
}

// The file offset of a range given by address; nullopt unless it lies wholly in one section's
// data on disk.
std::optional<uint64_t> file_offset(const Image& image, uint32_t rva, uint64_t length) {
    for (const Section& section : image.sections) {
        if (rva < section.virtual_address) continue;
        uint64_t into = rva - section.virtual_address;
        if (into <= section.raw_size && length <= section.raw_size - into) return uint64_t{section.raw_offset} + into;
    }
    return std::nullopt;
}

// The resource tree as a buffer of its own: every offset in it is relative to its start.
class ResourceTree {
public:
    explicit ResourceTree(std::vector<uint8_t> data) : data_(std::move(data)) {}

    std::optional<std::vector<DirectoryEntry>> entries(uint32_t directory) const {
        auto named = le16(data_, uint64_t{directory} + 12);
        auto numbered = le16(data_, uint64_t{directory} + 14);
        if (!named || !numbered) return std::nullopt;
        std::vector<DirectoryEntry> list;
        for (uint32_t i = 0; i < uint32_t{*named} + *numbered; ++i) {
            uint64_t at = uint64_t{directory} + 16 + uint64_t{i} * 8;
            auto name = le32(data_, at);
            auto target = le32(data_, at + 4);
            if (!name || !target) return std::nullopt;
            list.push_back({*name, *target});
        }
        return list;
    }

    bool name_equals(uint32_t name, std::string_view wanted) const {
        if (!(name & kNameIsStringBit)) return false;
        uint64_t at = name & ~kNameIsStringBit;
        auto length = le16(data_, at);
        if (!length || *length != wanted.size()) return false;
        for (size_t i = 0; i < wanted.size(); ++i) {
            auto unit = le16(data_, at + 2 + 2 * i);
            if (!unit || *unit > 0x7F || std::toupper(*unit) != std::toupper(static_cast<unsigned char>(wanted[i])))
                return false;
        }
        return true;
    }

    std::optional<std::pair<uint32_t, uint32_t>> data_entry(uint32_t offset) const {
        auto rva = le32(data_, offset);
        auto size = le32(data_, uint64_t{offset} + 4);
        if (!rva || !size) return std::nullopt;
        return std::pair{*rva, *size};
    }

private:
    std::vector<uint8_t> data_;
};

std::optional<uint32_t> subdirectory(const DirectoryEntry& entry) {
    if (!(entry.target & kSubdirectoryBit)) return std::nullopt;
    return entry.target & ~kSubdirectoryBit;
}

const DirectoryEntry* preferred_name(const std::vector<DirectoryEntry>& names) {
    for (const DirectoryEntry& entry : names)
        if (entry.name == 1) return &entry;
    return names.empty() ? nullptr : &names.front();
}

}  // namespace

std::optional<FileRange> find_named_resource(const ByteSource& file, std::string_view type_name) {
    auto image = read_headers(file);
    if (!image) return std::nullopt;
    auto tree_at = file_offset(*image, image->resource_rva, image->resource_size);
    if (!tree_at) return std::nullopt;
    auto tree_bytes = file.bytes(*tree_at, image->resource_size);
    if (!tree_bytes) return std::nullopt;
    ResourceTree tree(std::move(*tree_bytes));

    auto types = tree.entries(0);
    if (!types) return std::nullopt;
    const DirectoryEntry* type = nullptr;
    for (const DirectoryEntry& entry : *types)
        if (tree.name_equals(entry.name, type_name)) {
            type = &entry;
            break;
        }
    if (!type || !subdirectory(*type)) return std::nullopt;

    auto names = tree.entries(*subdirectory(*type));
    if (!names) return std::nullopt;
    const DirectoryEntry* name = preferred_name(*names);
    if (!name || !subdirectory(*name)) return std::nullopt;

    auto languages = tree.entries(*subdirectory(*name));
    if (!languages || languages->empty() || subdirectory(languages->front())) return std::nullopt;
    auto data = tree.data_entry(languages->front().target);
    if (!data) return std::nullopt;
    auto offset = file_offset(*image, data->first, data->second);
    if (!offset || uint64_t{*offset} + data->second > file.size()) return std::nullopt;
    return FileRange{*offset, data->second};
}

}  // namespace platform::typelib
