#include "platform/registry/regf_cells.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "platform/registry/regf_base_block.h"
#include "platform/registry/registry.h"

namespace platform::registry {
namespace {

static_assert(std::endian::native == std::endian::little, "a hive's numbers are read as they lie in memory");

template <class T>
T get(const uint8_t* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}
template <class T>
void put(uint8_t* at, T value) {
    std::memcpy(at, &value, sizeof value);
}

// Where the fields are, counted from the start of a cell's payload.
namespace key_field {
constexpr size_t kWritten = 0x04, kSubkeyCount = 0x14, kSubkeyList = 0x1C, kValueCount = 0x24, kValueList = 0x28,
                 kSecurity = 0x2C, kClassName = 0x30, kMaxValueData = 0x40, kClassLength = 0x4A, kSize = 0x4C;
}
namespace value_field {
constexpr size_t kDataSize = 0x04, kData = 0x08, kType = 0x0C, kSize = 0x14;
constexpr uint32_t kInline = 0x80000000;  // up to four bytes of data kept in the data field itself
constexpr uint32_t kLargestInOneCell = 16344;  // larger data is split into segments listed by a "db" cell
}
namespace security_field {
constexpr size_t kNext = 0x04, kPrevious = 0x08, kReferences = 0x0C, kSize = 0x14;
}
constexpr size_t kListCount = 0x02, kListEntries = 0x04;
constexpr size_t kPrimarySequence = 0x04, kSecondarySequence = 0x08, kWrittenAt = 0x0C, kBinsSize = 0x28,
                 kChecksum = 0x1FC;

bool signed_as(const uint8_t* payload, const char* signature) { return std::memcmp(payload, signature, 2) == 0; }

// Takes one entry out of a list of `count` entries of `width` bytes; the freed tail is zeroed.
void erase_entry(uint8_t* entries, size_t count, size_t width, size_t index) {
    std::memmove(entries + index * width, entries + (index + 1) * width, (count - index - 1) * width);
    std::memset(entries + (count - 1) * width, 0, width);
}

}  // namespace

RegfCellReader::RegfCellReader(std::span<const uint8_t> hive, std::filesystem::path file)
    : hive_(hive), file_(std::move(file)) {
    if (hive_.size() < kBinsStart || !signed_as(hive_.data(), "re")) damaged("no base block");
    bins_end_ = std::min<size_t>(hive_.size(), kBinsStart + size_t{get<uint32_t>(hive_.data() + kBinsSize)});
    // Offsets are 32 bits; past 2 GB one plus the bins' start could wrap around.
    if (bins_end_ > 0x7FFFFFFF) damaged("larger than a hive can be");
}

RegfCells::RegfCells(std::span<uint8_t> hive, std::filesystem::path file)
    : RegfCellReader(hive, std::move(file)), bytes_(hive) {}

void RegfCellReader::damaged(const char* what) const {
    throw HiveError(file_.string() + ": its cells do not fit together (" + what + "); it was left as it is");
}

const uint8_t* RegfCellReader::cell(uint32_t offset, size_t least, const char* signature) const {
    if (offset < kBinsStart || size_t{offset} + 4 > bins_end_) damaged("a cell lies outside the hive");
    const auto raw = get<int32_t>(hive_.data() + offset);
    // A cell in use has a negative size. A free one reached from a key is a loop or a cell two
    // keys share, both of which a removal would make worse.
    if (raw >= 0) damaged("a key or list leads to a free cell");
    const size_t size = static_cast<size_t>(-static_cast<int64_t>(raw));
    if (size < 4 + least || offset + size > bins_end_) damaged("a cell is too small for what it holds");
    const uint8_t* payload = hive_.data() + offset + 4;
    if (signature && !signed_as(payload, signature)) damaged("a cell is not what the key says");
    return payload;
}

const uint8_t* RegfCellReader::cell_at(uint32_t relative, size_t least, const char* signature) const {
    if (relative >= bins_end_) damaged("a cell lies outside the hive");
    return cell(relative + kBinsStart, least, signature);
}

uint8_t* RegfCells::cell(uint32_t offset, size_t least, const char* signature) {
    return writable(RegfCellReader::cell(offset, least, signature));
}

uint8_t* RegfCells::cell_at(uint32_t relative, size_t least, const char* signature) {
    return writable(RegfCellReader::cell_at(relative, least, signature));
}

void RegfCells::free_cell(uint32_t offset) {
    cell(offset, 0, nullptr);
    put(bytes_.data() + offset, -get<int32_t>(bytes_.data() + offset));
}

std::vector<uint32_t> RegfCellReader::values_of(uint32_t key) const {
    const uint8_t* fields = cell(key, key_field::kSize, "nk");
    const auto count = get<uint32_t>(fields + key_field::kValueCount);
    const auto list = get<uint32_t>(fields + key_field::kValueList);
    std::vector<uint32_t> values;
    if (count == 0 || list == kNone) return values;
    if (count > bins_end_ / 4) damaged("a key counts more values than the hive can hold");
    const uint8_t* entries = cell_at(list, size_t{count} * 4, nullptr);
    for (uint32_t i = 0; i < count; ++i) values.push_back(get<uint32_t>(entries + i * 4) + kBinsStart);
    return values;
}

bool RegfCellReader::fits(uint32_t value, size_t size) const {
    const uint8_t* fields = cell(value, value_field::kSize, "vk");
    if (size <= 4) return true;
    const auto old_size = get<uint32_t>(fields + value_field::kDataSize);
    const auto data = get<uint32_t>(fields + value_field::kData);
    if (size > value_field::kLargestInOneCell || (old_size & value_field::kInline) || old_size == 0 || data == kNone)
        return false;
    if (old_size > value_field::kLargestInOneCell) return false;  // in segments
    cell_at(data, size, nullptr);
    return true;
}

void RegfCells::free_data(const uint8_t* value) {
    const auto size = get<uint32_t>(value + value_field::kDataSize);
    const auto data = get<uint32_t>(value + value_field::kData);
    if ((size & value_field::kInline) || size == 0 || data == kNone) return;
    const uint8_t* held = cell_at(data, 0, nullptr);
    const auto held_size = static_cast<size_t>(-get<int32_t>(held - 4)) - 4;
    if (size > value_field::kLargestInOneCell && held_size < size && signed_as(held, "db")) {
        cell_at(data, 8, "db");
        const auto segments = get<uint16_t>(held + 2);
        const auto list = get<uint32_t>(held + 4);
        const uint8_t* entries = cell_at(list, size_t{segments} * 4, nullptr);
        for (uint16_t i = 0; i < segments; ++i) free_relative(get<uint32_t>(entries + i * 4));
        free_relative(list);
    }
    free_relative(data);
}

void RegfCells::free_value(uint32_t value) {
    free_data(cell(value, value_field::kSize, "vk"));
    free_cell(value);
}

void RegfCells::release_security(uint32_t relative) {
    uint8_t* fields = cell_at(relative, security_field::kSize, "sk");
    const auto references = get<uint32_t>(fields + security_field::kReferences);
    if (references == 0) damaged("a security descriptor is used more often than it counts");
    put(fields + security_field::kReferences, references - 1);
    if (references > 1) return;
    // The last key using it is gone: it leaves the ring of the hive's descriptors.
    const auto next = get<uint32_t>(fields + security_field::kNext);
    const auto previous = get<uint32_t>(fields + security_field::kPrevious);
    if (next != relative) {
        put(cell_at(next, security_field::kSize, "sk") + security_field::kPrevious, previous);
        put(cell_at(previous, security_field::kSize, "sk") + security_field::kNext, next);
    }
    free_relative(relative);
}

void RegfCells::subkeys_of(uint32_t list, std::vector<uint32_t>& into, bool free_lists) {
    const uint8_t* head = cell_at(list, kListEntries, nullptr);
    const auto count = get<uint16_t>(head + kListCount);
    const bool index_of_lists = signed_as(head, "ri");
    const size_t width = signed_as(head, "lf") || signed_as(head, "lh") ? 8 : 4;
    if (width == 4 && !index_of_lists && !signed_as(head, "li")) damaged("a subkey list of an unknown kind");
    const uint8_t* entries = cell_at(list, kListEntries + size_t{count} * width, nullptr) + kListEntries;
    for (uint16_t i = 0; i < count; ++i) {
        const auto entry = get<uint32_t>(entries + i * width);
        if (!index_of_lists) into.push_back(entry + kBinsStart);
        else if (signed_as(cell_at(entry, kListEntries, nullptr), "ri")) damaged("an index of subkey lists lists another");
        else subkeys_of(entry, into, free_lists);
    }
    if (free_lists) free_relative(list);
}

bool RegfCells::remove_from_list(uint32_t list, uint32_t key) {
    uint8_t* head = cell_at(list, kListEntries, nullptr);
    const auto count = get<uint16_t>(head + kListCount);
    const bool index_of_lists = signed_as(head, "ri");
    const size_t width = signed_as(head, "lf") || signed_as(head, "lh") ? 8 : 4;
    if (width == 4 && !index_of_lists && !signed_as(head, "li")) damaged("a subkey list of an unknown kind");
    uint8_t* entries = cell_at(list, kListEntries + size_t{count} * width, nullptr) + kListEntries;
    for (uint16_t i = 0; i < count; ++i) {
        const auto entry = get<uint32_t>(entries + i * width);
        if (index_of_lists) {
            if (signed_as(cell_at(entry, kListEntries, nullptr), "ri")) damaged("an index of subkey lists lists another");
            std::vector<uint32_t> listed;
            subkeys_of(entry, listed, false);
            if (std::find(listed.begin(), listed.end(), key) == listed.end()) continue;
            if (!remove_from_list(entry, key)) return false;
            free_relative(entry);  // the part of the index that held only this key
        } else if (entry + kBinsStart != key) {
            continue;
        }
        erase_entry(entries, count, width, i);
        put<uint16_t>(head + kListCount, count - 1);
        return count == 1;
    }
    damaged("a removed key is not in its parent's subkey list");
}

void RegfCells::free_key_alone(uint32_t key, std::vector<uint32_t>& below) {
    const uint8_t* fields = cell(key, key_field::kSize, "nk");
    if (const auto list = get<uint32_t>(fields + key_field::kSubkeyList); list != kNone) subkeys_of(list, below, true);
    for (const uint32_t value : values_of(key)) free_value(value);
    if (const auto list = get<uint32_t>(fields + key_field::kValueList);
        list != kNone && get<uint32_t>(fields + key_field::kValueCount) != 0)
        free_relative(list);
    if (const auto name = get<uint32_t>(fields + key_field::kClassName);
        name != kNone && get<uint16_t>(fields + key_field::kClassLength) != 0)
        free_relative(name);
    if (const auto security = get<uint32_t>(fields + key_field::kSecurity); security != kNone) release_security(security);
    free_cell(key);
}

void RegfCells::remove_key(uint32_t parent, uint32_t key) {
    uint8_t* fields = cell(parent, key_field::kSize, "nk");
    const auto list = get<uint32_t>(fields + key_field::kSubkeyList);
    const auto count = get<uint32_t>(fields + key_field::kSubkeyCount);
    if (list == kNone || count == 0) damaged("a removed key's parent has no subkeys");
    if (remove_from_list(list, key)) {
        free_relative(list);
        put(fields + key_field::kSubkeyList, kNone);
        put<uint32_t>(fields + key_field::kSubkeyCount, 0);
    } else {
        put<uint32_t>(fields + key_field::kSubkeyCount, count - 1);
    }
    // Depth first without recursion: a damaged hive can nest keys as deep as it likes.
    std::vector<uint32_t> pending{key};
    while (!pending.empty()) {
        const uint32_t next = pending.back();
        pending.pop_back();
        free_key_alone(next, pending);
    }
}

void RegfCells::remove_value(uint32_t key, uint32_t value) {
    uint8_t* fields = cell(key, key_field::kSize, "nk");
    const auto count = get<uint32_t>(fields + key_field::kValueCount);
    const auto list = get<uint32_t>(fields + key_field::kValueList);
    const std::vector<uint32_t> values = values_of(key);
    const auto found = std::find(values.begin(), values.end(), value);
    if (found == values.end()) damaged("a removed value is not in its key's list");
    if (count == 1) {
        free_relative(list);
        put(fields + key_field::kValueList, kNone);
    } else {
        erase_entry(cell_at(list, size_t{count} * 4, nullptr), count, 4, static_cast<size_t>(found - values.begin()));
    }
    put<uint32_t>(fields + key_field::kValueCount, count - 1);
    free_value(value);
}

void RegfCells::rewrite_value(uint32_t key, uint32_t value, uint32_t type, std::span<const uint8_t> data) {
    if (!fits(value, data.size())) damaged("new data does not fit where the old was");
    uint8_t* fields = cell(value, value_field::kSize, "vk");
    if (data.size() <= 4) {
        free_data(fields);
        uint8_t inline_data[4]{};
        std::copy(data.begin(), data.end(), inline_data);
        std::memcpy(fields + value_field::kData, inline_data, 4);
        put(fields + value_field::kDataSize, static_cast<uint32_t>(data.size()) | value_field::kInline);
    } else {
        const auto held = get<uint32_t>(fields + value_field::kData);
        uint8_t* bytes = cell_at(held, data.size(), nullptr);
        const auto capacity = static_cast<size_t>(-get<int32_t>(bytes - 4)) - 4;
        std::copy(data.begin(), data.end(), bytes);
        std::memset(bytes + data.size(), 0, capacity - data.size());
        put(fields + value_field::kDataSize, static_cast<uint32_t>(data.size()));
    }
    put(fields + value_field::kType, type);
    // Programs size their buffers by what the key says its largest data is.
    uint8_t* key_fields = cell(key, key_field::kSize, "nk");
    const auto largest = get<uint32_t>(key_fields + key_field::kMaxValueData);
    put(key_fields + key_field::kMaxValueData, std::max(largest, static_cast<uint32_t>(data.size())));
}

void RegfCells::set_written(uint32_t key, uint64_t filetime) {
    put(cell(key, key_field::kSize, "nk") + key_field::kWritten, filetime);
}

void RegfCells::finish(uint64_t filetime) {
    uint8_t* base = bytes_.data();
    const uint32_t sequence = get<uint32_t>(base + kPrimarySequence) + 1;
    put(base + kPrimarySequence, sequence);
    put(base + kSecondarySequence, sequence);
    put(base + kWrittenAt, filetime);
    put(base + kChecksum, regf_checksum(base));
}

}  // namespace platform::registry
