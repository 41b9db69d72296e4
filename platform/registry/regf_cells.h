#pragma once
// Changes made straight in the cells of a binary registry hive's bytes, for the changes that need
// no new cell: removing keys and values, and giving a value data that fits where its old data is.
// That is what a clean does; made in a kernel-made copy of the file, it spares reading the whole
// hive into memory and writing it out again. Freed cells are only marked free here: the caller
// zeroes every free cell afterwards (see regf_free_cells.h).
// Keys and values are named by their cells' offsets in the file (hivex's handles). Every cell is
// checked before it is read or written; a hive whose cells do not fit together throws HiveError
// naming the file, and what was changed so far must then be thrown away.
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace platform::registry {

// What deciding on a change needs to read, on the file's own read-only pages.
class RegfCellReader {
public:
    // Throws HiveError when the bytes do not start with a hive's base block.
    RegfCellReader(std::span<const uint8_t> hive, std::filesystem::path file);

    // The values of a key, in the file's order.
    std::vector<uint32_t> values_of(uint32_t key) const;
    // Whether `size` bytes of data can take the place of the value's data without a new cell.
    bool fits(uint32_t value, size_t size) const;

protected:
    const uint8_t* cell(uint32_t offset, size_t least, const char* signature) const;  // the payload of an allocated cell
    const uint8_t* cell_at(uint32_t relative, size_t least, const char* signature) const;
    [[noreturn]] void damaged(const char* what) const;

    static constexpr uint32_t kBinsStart = 4096, kNone = 0xFFFFFFFF;
    std::span<const uint8_t> hive_;
    std::filesystem::path file_;
    size_t bins_end_ = 0;
};

class RegfCells : public RegfCellReader {
public:
    RegfCells(std::span<uint8_t> hive, std::filesystem::path file);

    void remove_key(uint32_t parent, uint32_t key);  // with everything under it
    void remove_value(uint32_t key, uint32_t value);
    void rewrite_value(uint32_t key, uint32_t value, uint32_t type, std::span<const uint8_t> data);  // where it fits
    void set_written(uint32_t key, uint64_t filetime);  // the key's time of last change
    // The base block says the hive was written completely at that time.
    void finish(uint64_t filetime);

private:
    uint8_t* cell(uint32_t offset, size_t least, const char* signature);
    uint8_t* cell_at(uint32_t relative, size_t least, const char* signature);
    uint8_t* writable(const uint8_t* at) { return bytes_.data() + (at - hive_.data()); }
    void free_cell(uint32_t offset);
    void free_relative(uint32_t relative) { free_cell(relative + kBinsStart); }
    void free_value(uint32_t value);
    void free_data(const uint8_t* value);
    void release_security(uint32_t relative);
    void free_key_alone(uint32_t key, std::vector<uint32_t>& below);
    bool remove_from_list(uint32_t list, uint32_t key);  // true when the list is then empty
    void subkeys_of(uint32_t list, std::vector<uint32_t>& into, bool free_lists);

    std::span<uint8_t> bytes_;  // hive_, to be changed
};

}  // namespace platform::registry
