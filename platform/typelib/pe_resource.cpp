// The resource tree of a PE image has three levels (type, name, language); each is walked
// exactly once, so a tree that points back at itself cannot make the walk loop.
#include "platform/typelib/pe_resource.h"

#include <vector>

#include "platform/text/ascii_case.h"

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

// The resource tree where it lies in the file: every offset in it is relative to its start, and
// only what the walk looks at is read, so a tree the headers claim to be gigabytes long costs no
// more than a small one.
class ResourceTree {
public:
    ResourceTree(const ByteSource& file, uint64_t start, uint64_t size) : file_(file), start_(start), size_(size) {}

    std::optional<std::vector<DirectoryEntry>> entries(uint32_t directory) const {
        auto named = u16(uint64_t{directory} + 12);
        auto numbered = u16(uint64_t{directory} + 14);
        if (!named || !numbered) return std::nullopt;
        const uint64_t count = uint64_t{*named} + *numbered;
        auto table = bytes(uint64_t{directory} + 16, count * 8);
        if (!table) return std::nullopt;
        std::vector<DirectoryEntry> list;
        list.reserve(count);
        for (uint64_t at = 0; at < table->size(); at += 8) list.push_back({*le32(*table, at), *le32(*table, at + 4)});
        return list;
    }

    bool name_equals(uint32_t name, std::string_view wanted) const {
        if (!(name & kNameIsStringBit)) return false;
        uint64_t at = name & ~kNameIsStringBit;
        auto length = u16(at);
        if (!length || *length != wanted.size()) return false;
        auto units = bytes(at + 2, 2 * uint64_t{*length});
        if (!units) return false;
        for (size_t i = 0; i < wanted.size(); ++i) {
            auto unit = *le16(*units, 2 * i);
            if (unit > 0x7F || text::ascii_upper(static_cast<char>(unit)) != text::ascii_upper(wanted[i])) return false;
        }
        return true;
    }

    std::optional<std::pair<uint32_t, uint32_t>> data_entry(uint32_t offset) const {
        auto entry = bytes(offset, 8);
        if (!entry) return std::nullopt;
        return std::pair{*le32(*entry, 0), *le32(*entry, 4)};
    }

private:
    bool inside(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }
    std::optional<std::vector<uint8_t>> bytes(uint64_t offset, uint64_t length) const {
        if (!inside(offset, length)) return std::nullopt;
        return file_.bytes(start_ + offset, length);
    }
    std::optional<uint16_t> u16(uint64_t offset) const {
        if (!inside(offset, 2)) return std::nullopt;
        return file_.u16(start_ + offset);
    }

    const ByteSource& file_;
    uint64_t start_, size_;
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
    if (*tree_at + image->resource_size > file.size()) return std::nullopt;
    const ResourceTree tree(file, *tree_at, image->resource_size);

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
