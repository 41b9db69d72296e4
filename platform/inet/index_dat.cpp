#include "platform/inet/index_dat.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

#include "platform/fs/windows_path.h"
#include "platform/inet/filetime.h"

namespace platform::inet {

namespace {

constexpr uint32_t kBlock = 128;
constexpr uint32_t kEntryStart = 0x4000;
constexpr uint32_t kBitmapAt = 0x250;
constexpr uint32_t kMostBlocks = (kEntryStart - kBitmapAt) * 8;
// A new file holds this many blocks, as Wine makes its own.
constexpr uint32_t kNewBlocks = 0x80;

// Header fields.
constexpr size_t kSignatureLength = 28;
constexpr size_t kSizeAt = 0x1C, kHashAt = 0x20, kCapacityAt = 0x24, kBlocksUsedAt = 0x28, kLimitAt = 0x30,
                 kUsageAt = 0x38, kExemptUsageAt = 0x40, kFolderCountAt = 0x48, kFoldersAt = 0x4C, kLeakRootAt = 0x224;
constexpr size_t kFolderSize = 12, kFolderNameLength = 8;
constexpr uint64_t kDefaultCacheLimit = 0x03200000;

// Hash tables: 448 slots of (key, offset) in 64 buckets of 7; the low 6 bits of a key are its kind.
constexpr size_t kHashNextAt = 8, kHashIdAt = 12, kSlotsAt = 16;
constexpr uint32_t kSlots = 448, kBucketSlots = 7, kBuckets = kSlots / kBucketSlots, kHashBlocks = 32;
constexpr uint32_t kSlotDeleted = 1, kSlotFree = 3, kKindBits = 6, kKindUrl = 0;

// Record fields.
constexpr size_t kModifiedAt = 0x08, kAccessedAt = 0x10, kExpiresAt = 0x18, kRecordSizeAt = 0x20,
                 kLeakNextAt = 0x2C, kUnknownAt = 0x30, kUrlOffsetAt = 0x34, kFolderAt = 0x38, kUnknown5At = 0x3A,
                 kLocalOffsetAt = 0x3C, kTypeAt = 0x40, kHeaderOffsetAt = 0x44, kHeaderSizeAt = 0x48,
                 kExtensionOffsetAt = 0x4C, kUrlRecordFields = 0x68, kRedirectUrlAt = 0x10;
constexpr uint32_t kStickyEntry = 0x4;

constexpr uint32_t signature_of(const char (&text)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) | static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}
constexpr uint32_t kUrlSignature = signature_of("URL "), kLeakSignature = signature_of("LEAK"),
                   kRedirectSignature = signature_of("REDR"), kHashSignature = signature_of("HASH");

// The key Wine files a URL under (a trailing "/" does not count), so an added record is found by
// URL as well as listed.
uint32_t hash_key(std::string_view url) {
    static constexpr std::array<uint8_t, 256> kTable = {
        0x01, 0x0E, 0x6E, 0x19, 0x61, 0xAE, 0x84, 0x77, 0x8A, 0xAA, 0x7D, 0x76, 0x1B, 0xE9, 0x8C, 0x33, 0x57, 0xC5, 0xB1,
        0x6B, 0xEA, 0xA9, 0x38, 0x44, 0x1E, 0x07, 0xAD, 0x49, 0xBC, 0x28, 0x24, 0x41, 0x31, 0xD5, 0x68, 0xBE, 0x39, 0xD3,
        0x94, 0xDF, 0x30, 0x73, 0x0F, 0x02, 0x43, 0xBA, 0xD2, 0x1C, 0x0C, 0xB5, 0x67, 0x46, 0x16, 0x3A, 0x4B, 0x4E, 0xB7,
        0xA7, 0xEE, 0x9D, 0x7C, 0x93, 0xAC, 0x90, 0xB0, 0xA1, 0x8D, 0x56, 0x3C, 0x42, 0x80, 0x53, 0x9C, 0xF1, 0x4F, 0x2E,
        0xA8, 0xC6, 0x29, 0xFE, 0xB2, 0x55, 0xFD, 0xED, 0xFA, 0x9A, 0x85, 0x58, 0x23, 0xCE, 0x5F, 0x74, 0xFC, 0xC0, 0x36,
        0xDD, 0x66, 0xDA, 0xFF, 0xF0, 0x52, 0x6A, 0x9E, 0xC9, 0x3D, 0x03, 0x59, 0x09, 0x2A, 0x9B, 0x9F, 0x5D, 0xA6, 0x50,
        0x32, 0x22, 0xAF, 0xC3, 0x64, 0x63, 0x1A, 0x96, 0x10, 0x91, 0x04, 0x21, 0x08, 0xBD, 0x79, 0x40, 0x4D, 0x48, 0xD0,
        0xF5, 0x82, 0x7A, 0x8F, 0x37, 0x69, 0x86, 0x1D, 0xA4, 0xB9, 0xC2, 0xC1, 0xEF, 0x65, 0xF2, 0x05, 0xAB, 0x7E, 0x0B,
        0x4A, 0x3B, 0x89, 0xE4, 0x6C, 0xBF, 0xE8, 0x8B, 0x06, 0x18, 0x51, 0x14, 0x7F, 0x11, 0x5B, 0x5C, 0xFB, 0x97, 0xE1,
        0xCF, 0x15, 0x62, 0x71, 0x70, 0x54, 0xE2, 0x12, 0xD6, 0xC7, 0xBB, 0x0D, 0x20, 0x5E, 0xDC, 0xE0, 0xD4, 0xF7, 0xCC,
        0xC4, 0x2B, 0xF9, 0xEC, 0x2D, 0xF4, 0x6F, 0xB6, 0x99, 0x88, 0x81, 0x5A, 0xD9, 0xCA, 0x13, 0xA5, 0xE7, 0x47, 0xE6,
        0x8E, 0x60, 0xE3, 0x3E, 0xB3, 0xF6, 0x72, 0xA2, 0x35, 0xA0, 0xD7, 0xCD, 0xB4, 0x2F, 0x6D, 0x2C, 0x26, 0x1F, 0x95,
        0x87, 0x00, 0xD8, 0x34, 0x3F, 0x17, 0x25, 0x45, 0x27, 0x75, 0x92, 0xB8, 0xA3, 0xC8, 0xDE, 0xEB, 0xF8, 0xF3, 0xDB,
        0x0A, 0x98, 0x83, 0x7B, 0xE5, 0xCB, 0x4C, 0x78, 0xD1};
    if (url.ends_with('/') && url.size() > 1) url.remove_suffix(1);
    std::array<uint8_t, 4> key{};
    const auto first = static_cast<uint8_t>(url.empty() ? 0 : url[0]);
    for (size_t i = 0; i < key.size(); ++i) key[i] = kTable[(first + i) & 0xFF];
    for (size_t at = 1; at < url.size(); ++at)
        for (auto& part : key) part = kTable[static_cast<uint8_t>(url[at]) ^ part];
    return static_cast<uint32_t>(key[0]) | static_cast<uint32_t>(key[1]) << 8 | static_cast<uint32_t>(key[2]) << 16 |
           static_cast<uint32_t>(key[3]) << 24;
}

uint32_t align4(size_t value) { return static_cast<uint32_t>((value + 3) & ~size_t{3}); }

}  // namespace

uint64_t IndexDat::largest_size() { return kEntryStart + uint64_t{kMostBlocks} * kBlock; }

uint32_t IndexDat::u32(size_t at) const {
    uint32_t value = 0;
    std::memcpy(&value, bytes_.data() + at, sizeof value);
    return value;
}
void IndexDat::put32(size_t at, uint32_t value) { std::memcpy(bytes_.data() + at, &value, sizeof value); }
uint64_t IndexDat::u64(size_t at) const {
    uint64_t value = 0;
    std::memcpy(&value, bytes_.data() + at, sizeof value);
    return value;
}
void IndexDat::put64(size_t at, uint64_t value) { std::memcpy(bytes_.data() + at, &value, sizeof value); }

bool IndexDat::allocated(uint32_t block) const {
    return (static_cast<uint8_t>(bytes_[kBitmapAt + block / 8]) >> (block % 8)) & 1;
}

void IndexDat::set_allocated(uint32_t block, bool used) {
    auto& byte = reinterpret_cast<uint8_t&>(bytes_[kBitmapAt + block / 8]);
    byte = static_cast<uint8_t>(used ? byte | (1u << (block % 8)) : byte & ~(1u << (block % 8)));
}

IndexDat::IndexDat(std::string bytes) : bytes_(std::move(bytes)) {
    check_header();
    read_hash_tables();
    read_leak_list();
}

void IndexDat::check_header() {
    if (bytes_.size() < kEntryStart) throw DamagedIndex("shorter than its header");
    const std::string_view signature(bytes_.data(), strnlen(bytes_.data(), kSignatureLength));
    if (signature.size() == kSignatureLength || (signature != kWindowsSignature && signature != kWineSignature))
        throw DamagedIndex("not a known signature");
    const uint32_t capacity = u32(kCapacityAt);
    if (u32(kSizeAt) != bytes_.size() || capacity > kMostBlocks ||
        bytes_.size() != kEntryStart + uint64_t{capacity} * kBlock)
        throw DamagedIndex("its size does not match the file");
    const uint32_t count = u32(kFolderCountAt);
    if (count > kMostFolders) throw DamagedIndex("too many cache folders");
    for (uint32_t i = 0; i < count; ++i) {
        std::string name(bytes_.data() + kFoldersAt + i * kFolderSize + 4, kFolderNameLength);
        if (name.find('\0') != std::string::npos || !fs::detail::is_plain_name(name))
            throw DamagedIndex("a cache folder name is not 8 plain characters");
        folders_.push_back(std::move(name));
    }
    claimed_.assign(capacity, false);
}

void IndexDat::claim(uint32_t offset, uint32_t blocks, std::string_view what) {
    if (offset < kEntryStart || (offset - kEntryStart) % kBlock != 0 || blocks == 0 ||
        uint64_t{offset} + uint64_t{blocks} * kBlock > bytes_.size())
        throw DamagedIndex(std::string(what) + " lies outside the file");
    const uint32_t first = (offset - kEntryStart) / kBlock;
    for (uint32_t block = first; block < first + blocks; ++block) {
        if (!allocated(block)) throw DamagedIndex(std::string(what) + " lies in blocks the bitmap marks free");
        if (claimed_[block]) throw DamagedIndex(std::string(what) + " overlaps another");
        claimed_[block] = true;
    }
}

void IndexDat::read_hash_tables() {
    std::unordered_map<uint32_t, size_t> record_at;
    uint32_t id = 0;
    for (uint32_t table = u32(kHashAt); table != 0; table = u32(table + kHashNextAt), ++id) {
        // claim() refuses a table read twice, so a chain that loops ends here.
        if (table < kEntryStart || table > bytes_.size() - kBlock) throw DamagedIndex("a hash table lies outside the file");
        const uint32_t blocks = u32(table + 4);
        if (u32(table) != kHashSignature || u32(table + kHashIdAt) != id || blocks > kMostBlocks ||
            uint64_t{blocks} * kBlock < kSlotsAt + kSlots * 8)
            throw DamagedIndex("a hash table does not check out");
        claim(table, blocks, "a hash table");
        hash_tables_.push_back(table);
        for (uint32_t slot = 0; slot < kSlots; ++slot) {
            const uint32_t at = table + kSlotsAt + slot * 8;
            const uint32_t key = u32(at);
            if (key == kSlotFree || key == kSlotDeleted) continue;
            const uint32_t offset = u32(at + 4);
            if (auto known = record_at.find(offset); known != record_at.end()) {
                slots_[known->second].push_back(at);
                continue;
            }
            record_at.emplace(offset, records_.size());
            read_record(offset, at);
        }
    }
}

void IndexDat::read_leak_list() {
    for (uint32_t offset = u32(kLeakRootAt); offset != 0;) {
        // Each leak is claimed when read: a list that loops meets a claimed block.
        read_record(offset, 0);
        if (records_.back().kind != IndexRecord::Kind::Leak) throw DamagedIndex("the leak list names a record in use");
        offset = u32(offset + kLeakNextAt);
    }
}

void IndexDat::read_record(uint32_t offset, uint32_t slot) {
    if (offset < kEntryStart || offset > bytes_.size() - kBlock) throw DamagedIndex("a record lies outside the file");
    const uint32_t blocks = u32(offset + 4);
    if (blocks > kMostBlocks) throw DamagedIndex("a record is longer than the file");
    claim(offset, blocks, "a record");
    const std::string_view record(bytes_.data() + offset, size_t{blocks} * kBlock);
    const auto string_at = [&](uint32_t at, std::string_view what) {
        if (at >= record.size()) throw DamagedIndex(std::string(what) + " lies outside its record");
        const size_t end = record.find('\0', at);
        if (end == std::string_view::npos) throw DamagedIndex(std::string(what) + " does not end in its record");
        return std::string(record.substr(at, end - at));
    };
    IndexRecord read;
    read.offset = offset;
    const uint32_t signature = u32(offset);
    if (signature == kRedirectSignature) {
        read.kind = IndexRecord::Kind::Redirect;
        read.url = string_at(kRedirectUrlAt, "a URL");
    } else if (signature == kUrlSignature || signature == kLeakSignature) {
        read.kind = signature == kUrlSignature ? IndexRecord::Kind::Url : IndexRecord::Kind::Leak;
        if (record.size() < kUrlRecordFields) throw DamagedIndex("a record is shorter than its fields");
        read.url = string_at(u32(offset + kUrlOffsetAt), "a URL");
        read.folder = static_cast<uint8_t>(bytes_[offset + kFolderAt]);
        if (const uint32_t local = u32(offset + kLocalOffsetAt); local != 0) {
            read.local_name = string_at(local, "a local file name");
            // A copy is reached by its name alone below the container: never by a path.
            if (!fs::detail::is_plain_name(read.local_name)) throw DamagedIndex("a local file name is not a plain name");
            if (read.folder != IndexRecord::kNoFolder && read.folder >= folders_.size())
                throw DamagedIndex("a record names a cache folder the header does not have");
        }
        const uint32_t header_at = u32(offset + kHeaderOffsetAt), header_size = u32(offset + kHeaderSizeAt);
        if (header_at != 0 && header_size != 0) {
            if (uint64_t{header_at} + header_size > record.size()) throw DamagedIndex("header data lies outside its record");
            read.header_info.assign(record.substr(header_at, header_size));
        }
        read.size = u64(offset + kRecordSizeAt);
        read.modified = u64(offset + kModifiedAt);
        read.accessed = u64(offset + kAccessedAt);
        read.expires = filetime_from_dos(static_cast<uint16_t>(u32(offset + kExpiresAt)),
                                         static_cast<uint16_t>(u32(offset + kExpiresAt) >> 16));
        read.entry_type = u32(offset + kTypeAt);
    } else {
        throw DamagedIndex("a hash table names a record of an unknown kind");
    }
    if (read.url.empty()) throw DamagedIndex("a record has no URL");
    records_.push_back(std::move(read));
    slots_.emplace_back();
    if (slot != 0) slots_.back().push_back(slot);
}

IndexDat IndexDat::create(std::string_view signature, const std::vector<std::string>& folders) {
    if (signature.size() >= kSignatureLength || folders.size() > kMostFolders)
        throw DamagedIndex("not an index that can be made");
    IndexDat index;
    index.bytes_.assign(kEntryStart + kNewBlocks * kBlock, '\0');
    signature.copy(index.bytes_.data(), signature.size());
    index.put32(kSizeAt, static_cast<uint32_t>(index.bytes_.size()));
    index.put32(kCapacityAt, kNewBlocks);
    index.put64(kLimitAt, kDefaultCacheLimit);
    index.put32(kFolderCountAt, static_cast<uint32_t>(folders.size()));
    for (size_t i = 0; i < folders.size(); ++i) {
        if (folders[i].size() != kFolderNameLength || !fs::detail::is_plain_name(folders[i]))
            throw DamagedIndex("a cache folder name is not 8 plain characters");
        folders[i].copy(index.bytes_.data() + kFoldersAt + i * kFolderSize + 4, kFolderNameLength);
    }
    index.folders_ = folders;
    index.claimed_.assign(kNewBlocks, false);
    index.put32(kHashAt, index.new_hash_table(0));
    return index;
}

void IndexDat::grow(uint32_t blocks) {
    const uint32_t capacity = u32(kCapacityAt);
    const uint64_t wanted = std::max<uint64_t>(uint64_t{capacity} * 2, uint64_t{capacity} + blocks);
    if (uint64_t{capacity} + blocks > kMostBlocks) throw DamagedIndex("the index cannot grow any further");
    const auto grown = static_cast<uint32_t>(std::min<uint64_t>(wanted, kMostBlocks));
    bytes_.resize(kEntryStart + size_t{grown} * kBlock, '\0');
    put32(kCapacityAt, grown);
    put32(kSizeAt, static_cast<uint32_t>(bytes_.size()));
    claimed_.resize(grown, false);
}

uint32_t IndexDat::allocate(uint32_t blocks) {
    for (;;) {
        const uint32_t capacity = u32(kCapacityAt);
        uint32_t run = 0;
        for (uint32_t block = search_from_; block < capacity; ++block) {
            run = allocated(block) ? 0 : run + 1;
            if (run < blocks) continue;
            const uint32_t first = block + 1 - blocks;
            for (uint32_t b = first; b <= block; ++b) set_allocated(b, true), claimed_[b] = true;
            search_from_ = block + 1;
            put32(kBlocksUsedAt, u32(kBlocksUsedAt) + blocks);
            const uint32_t offset = kEntryStart + first * kBlock;
            std::memset(bytes_.data() + offset, 0, size_t{blocks} * kBlock);
            put32(offset + 4, blocks);
            return offset;
        }
        grow(blocks);
    }
}

uint32_t IndexDat::new_hash_table(uint32_t previous) {
    const uint32_t table = allocate(kHashBlocks);
    put32(table, kHashSignature);
    put32(table + kHashIdAt, static_cast<uint32_t>(hash_tables_.size()));
    for (uint32_t slot = 0; slot < kSlots; ++slot) {
        put32(table + kSlotsAt + slot * 8, kSlotFree);
        put32(table + kSlotsAt + slot * 8 + 4, kSlotFree);
    }
    if (previous != 0) put32(previous + kHashNextAt, table);
    hash_tables_.push_back(table);
    return table;
}

void IndexDat::insert_hash(std::string_view url, uint32_t type, uint32_t offset) {
    const uint32_t key = hash_key(url);
    const uint32_t first = (key % kBuckets) * kBucketSlots;
    const uint32_t stored = (key >> kKindBits << kKindBits) | type;
    for (uint32_t table : hash_tables_) {
        for (uint32_t slot = first; slot < first + kBucketSlots; ++slot) {
            const uint32_t at = table + kSlotsAt + slot * 8;
            if (u32(at) != kSlotFree && u32(at) != kSlotDeleted) continue;
            put32(at, stored);
            put32(at + 4, offset);
            slots_.back().push_back(at);
            return;
        }
    }
    const uint32_t table = new_hash_table(hash_tables_.empty() ? 0 : hash_tables_.back());
    if (hash_tables_.size() == 1) put32(kHashAt, table);
    put32(table + kSlotsAt + first * 8, stored);
    put32(table + kSlotsAt + first * 8 + 4, offset);
    slots_.back().push_back(table + kSlotsAt + first * 8);
}

void IndexDat::add(IndexRecord record) {
    if (record.url.empty() || (!record.local_name.empty() && !fs::detail::is_plain_name(record.local_name)) ||
        (record.folder != IndexRecord::kNoFolder && record.folder >= folders_.size()))
        throw DamagedIndex("not a record that can be added");
    const std::string url = record.url;
    const uint32_t url_at = kUrlRecordFields;
    const uint32_t local_at = record.local_name.empty() ? 0 : align4(url_at + record.url.size() + 1);
    const uint32_t header_at = align4((local_at ? local_at + record.local_name.size() : url_at + record.url.size()) + 1);
    const uint32_t length = header_at + static_cast<uint32_t>(record.header_info.size()) + 1;
    const uint32_t blocks = (length + kBlock - 1) / kBlock;
    // allocate() can grow the file: every offset into it is taken afterwards.
    const uint32_t offset = allocate(blocks);
    put32(offset, kUrlSignature);
    put64(offset + kModifiedAt, record.modified);
    put64(offset + kAccessedAt, record.accessed);
    const auto [date, time] = filetime_to_dos(record.expires);
    put32(offset + kExpiresAt, static_cast<uint32_t>(date) | static_cast<uint32_t>(time) << 16);
    put64(offset + kRecordSizeAt, record.size);
    put32(offset + kUnknownAt, 0x60);
    put32(offset + kUrlOffsetAt, url_at);
    bytes_[offset + kFolderAt] = static_cast<char>(record.folder);
    put32(offset + kUnknown5At, 0x1010);
    put32(offset + kTypeAt, record.entry_type);
    record.url.copy(bytes_.data() + offset + url_at, record.url.size());
    if (local_at) {
        put32(offset + kLocalOffsetAt, local_at);
        record.local_name.copy(bytes_.data() + offset + local_at, record.local_name.size());
        if (auto dot = record.local_name.rfind('.'); dot != std::string::npos)
            put32(offset + kExtensionOffsetAt, local_at + static_cast<uint32_t>(dot) + 1);
        if (record.folder != IndexRecord::kNoFolder) {
            const size_t count_at = kFoldersAt + record.folder * kFolderSize;
            put32(count_at, u32(count_at) + 1);
        }
    }
    if (!record.header_info.empty()) {
        put32(offset + kHeaderOffsetAt, header_at);
        put32(offset + kHeaderSizeAt, static_cast<uint32_t>(record.header_info.size()));
        record.header_info.copy(bytes_.data() + offset + header_at, record.header_info.size());
    }
    put64(kUsageAt, u64(kUsageAt) + record.size);
    record.kind = IndexRecord::Kind::Url;
    record.offset = offset;
    records_.push_back(std::move(record));
    slots_.emplace_back();
    insert_hash(url, kKindUrl, offset);
}

void IndexDat::free_record(const IndexRecord& record) {
    if (record.kind != IndexRecord::Kind::Redirect) {
        if (!record.local_name.empty() && record.folder < folders_.size()) {
            const size_t count_at = kFoldersAt + record.folder * kFolderSize;
            if (u32(count_at) > 0) put32(count_at, u32(count_at) - 1);
        }
        const size_t usage_at = (record.entry_type & kStickyEntry) ? kExemptUsageAt : kUsageAt;
        put64(usage_at, u64(usage_at) - std::min(u64(usage_at), record.size));
    }
    const uint32_t blocks = u32(record.offset + 4);
    const uint32_t first = (record.offset - kEntryStart) / kBlock;
    for (uint32_t block = first; block < first + blocks; ++block) set_allocated(block, false), claimed_[block] = false;
    search_from_ = std::min(search_from_, first);
    put32(kBlocksUsedAt, u32(kBlocksUsedAt) - std::min(u32(kBlocksUsedAt), blocks));
    std::memset(bytes_.data() + record.offset, 0, size_t{blocks} * kBlock);
}

size_t IndexDat::remove_if(const std::function<bool(const IndexRecord&)>& take) {
    size_t kept = 0;
    bool leaks_changed = false;
    for (size_t i = 0; i < records_.size(); ++i) {
        if (!take(records_[i])) {
            if (kept != i) {
                records_[kept] = std::move(records_[i]);
                slots_[kept] = std::move(slots_[i]);
            }
            ++kept;
            continue;
        }
        for (uint32_t slot : slots_[i]) {
            put32(slot, kSlotDeleted);
            put32(slot + 4, kSlotFree);
        }
        leaks_changed |= records_[i].kind == IndexRecord::Kind::Leak;
        free_record(records_[i]);
    }
    const size_t removed = records_.size() - kept;
    records_.resize(kept);
    slots_.resize(kept);
    if (leaks_changed) relink_leaks();
    return removed;
}

void IndexDat::relink_leaks() {
    size_t link_at = kLeakRootAt;
    for (const IndexRecord& record : records_) {
        if (record.kind != IndexRecord::Kind::Leak) continue;
        put32(link_at, record.offset);
        link_at = record.offset + kLeakNextAt;
    }
    put32(link_at, 0);
}

void IndexDat::zero_free_blocks() {
    const uint32_t capacity = u32(kCapacityAt);
    for (uint32_t block = 0; block < capacity; ++block)
        if (!allocated(block)) std::memset(bytes_.data() + kEntryStart + size_t{block} * kBlock, 0, kBlock);
}

}  // namespace platform::inet
