// Only the library GUID is read, but every structure leading to it is checked against the
// image's bounds and its layout's fixed markers, so garbage never yields a GUID.
#include "platform/typelib/type_library.h"

#include <cstdio>
#include <cstring>

#include "platform/typelib/pe_resource.h"

namespace platform::typelib {

namespace {

constexpr uint64_t kMaxTypeLibrarySize = 64ull << 20;

// "MSFT": a fixed header, an optional help-DLL field, one offset per type info, then a directory
// of fifteen segments; the GUID table is the sixth, and the header names the library's entry.
namespace msft {
constexpr uint32_t kMagic = 0x5446534D;
constexpr uint64_t kHeaderSize = 0x54;
constexpr uint32_t kHelpDllFlag = 0x100;
constexpr uint64_t kSegmentCount = 15, kSegmentSize = 16, kGuidSegment = 5;
constexpr uint64_t kGuidEntrySize = 24;  // GUID, href type, next in hash chain

std::optional<Guid> read(std::span<const uint8_t> lib) {
    if (le32(lib, 0) != kMagic) return std::nullopt;
    auto guid_position = le32(lib, 0x08);
    auto flags = le32(lib, 0x14);
    auto type_info_count = le32(lib, 0x20);
    if (!guid_position || !flags || !type_info_count) return std::nullopt;
    uint64_t directory = kHeaderSize + (*flags & kHelpDllFlag ? 4 : 0) + uint64_t{*type_info_count} * 4;
    if (directory + kSegmentCount * kSegmentSize > lib.size()) return std::nullopt;
    uint64_t entry = directory + kGuidSegment * kSegmentSize;
    uint32_t table_offset = *le32(lib, entry), table_length = *le32(lib, entry + 4);
    if (uint64_t{table_offset} + table_length > lib.size()) return std::nullopt;
    if (table_length % kGuidEntrySize != 0 || *guid_position % kGuidEntrySize != 0) return std::nullopt;
    if (uint64_t{*guid_position} + kGuidEntrySize > table_length) return std::nullopt;
    Guid guid;
    std::memcpy(guid.data(), lib.data() + table_offset + *guid_position, guid.size());
    return guid;
}
}  // namespace msft

// "SLTG": a header with the block count, one entry per block (length, index string, next), a
// "CompObj"/"dir" marker, the index strings, nine pad bytes, then the blocks themselves chained
// from the header's first block; the library block is the last of the chain.
namespace sltg {
constexpr uint32_t kMagic = 0x47544C53;
constexpr uint64_t kHeaderSize = 0x24, kBlockEntrySize = 8, kMarkerSize = 13, kIndexSize = 11, kPadSize = 9;
constexpr uint16_t kLibraryBlockMagic = 0x51CC;
constexpr uint16_t kNoString = 0xFFFF;

// The offset just past a counted string (a 16-bit length, 0xFFFF for none, then its bytes).
std::optional<uint64_t> skip_string(std::span<const uint8_t> lib, uint64_t at) {
    auto length = le16(lib, at);
    if (!length) return std::nullopt;
    return at + 2 + (*length == kNoString ? 0 : *length);
}

std::optional<uint64_t> library_block(std::span<const uint8_t> lib) {
    auto file_blocks = le16(lib, 4);
    auto first_block = le16(lib, 10);
    if (!file_blocks || !first_block || *file_blocks < 2 || *first_block == 0 || *first_block >= *file_blocks)
        return std::nullopt;
    uint64_t entries = kHeaderSize, entry_count = *file_blocks - 1u;
    uint64_t marker = entries + entry_count * kBlockEntrySize;
    if (marker + kMarkerSize > lib.size() || lib[marker] != 0x01 ||
        std::memcmp(lib.data() + marker + 1, "CompObj", 8) != 0 || std::memcmp(lib.data() + marker + 9, "dir", 4) != 0)
        return std::nullopt;
    uint64_t block = marker + kMarkerSize + (entry_count - 1) * kIndexSize + kPadSize;
    uint64_t index = *first_block - 1u;
    // Every block is visited at most once: a chain longer than the table has a loop.
    for (uint64_t steps = 0;; ++steps) {
        if (steps >= entry_count) return std::nullopt;
        uint64_t at = entries + index * kBlockEntrySize;
        uint32_t length = *le32(lib, at);
        uint16_t next = *le16(lib, at + 6);
        if (next == 0) break;
        if (next > entry_count) return std::nullopt;
        block += length;
        index = next - 1u;
    }
    return block;
}

std::optional<Guid> read(std::span<const uint8_t> lib) {
    if (le32(lib, 0) != kMagic) return std::nullopt;
    auto block = library_block(lib);
    if (!block || le16(lib, *block) != kLibraryBlockMagic) return std::nullopt;
    auto at = skip_string(lib, *block + 6);  // reserved, written as a string or 0xFFFF
    if (at) at = skip_string(lib, *at);      // help string
    if (at) at = skip_string(lib, *at);      // help file
    if (!at) return std::nullopt;
    uint64_t guid_at = *at + 4 /* help context */ + 2 /* system kind */ + 2 /* locale */ + 4 + 2 /* flags */ +
                       2 + 2 /* version */;
    if (guid_at > lib.size() || lib.size() - guid_at < 16) return std::nullopt;
    Guid guid;
    std::memcpy(guid.data(), lib.data() + guid_at, guid.size());
    return guid;
}
}  // namespace sltg

}  // namespace

std::string guid_text(const Guid& g) {
    char text[39];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g[3], g[2],
                  g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    return text;
}

std::optional<Guid> library_guid(std::span<const uint8_t> type_library) {
    if (auto guid = msft::read(type_library)) return guid;
    return sltg::read(type_library);
}

std::optional<Guid> embedded_library_guid(const ByteSource& image) {
    auto range = find_named_resource(image, "TYPELIB");
    if (!range || range->size > kMaxTypeLibrarySize) return std::nullopt;
    auto data = image.bytes(range->offset, range->size);
    if (!data) return std::nullopt;
    return library_guid(*data);
}

}  // namespace platform::typelib
