#pragma once
// The index of a URL container ("index.dat": the cache, the cookies, the history) as Windows and
// Wine lay it out, held in memory while it is read and changed:
//
//   0x0000  header: signature (28 bytes), file size, offset of the first hash table, capacity in
//           blocks, blocks in use, cache limit and usage, the cache folders (count, then 8-char
//           names with their file counts), options (the leak list's root among them)
//   0x0250  allocation bitmap: one bit per 128-byte block of the entry area
//   0x4000  entry area: hash tables ("HASH", chained by offset and numbered) and records ("URL ",
//           "LEAK" for a URL whose copy could not be deleted, "REDR" for a redirect), each a run of
//           whole blocks starting with its signature and its length in blocks
//
// A file is read only when every part of it checks out: the signature, the size against the file
// and the capacity, the chain of hash tables, every record's blocks against the file, the bitmap
// and each other, every string ending inside its record, every cache folder name, every local
// file name a plain name. Anything else is DamagedIndex: a file we do not understand is never
// changed, since Windows or Wine would read whatever we made of it.
//
// Removing a record does what Windows does (the hash slot is marked deleted, the blocks freed in
// the bitmap, the folder's file count and the cache usage lowered) and also zeroes the record's
// blocks, so no URL, header or file name of it stays in the file.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform::inet {

class DamagedIndex : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct IndexRecord {
    enum class Kind { Url, Leak, Redirect };
    static constexpr uint8_t kNoFolder = 0xFE;  // the copy lies in the container folder itself

    Kind kind = Kind::Url;
    std::string url;
    std::string local_name;  // "" when the record has no copy
    uint8_t folder = kNoFolder;  // index into IndexDat::folders()
    uint64_t size = 0;
    uint64_t modified = 0;  // FILETIME (filetime.h)
    uint64_t accessed = 0;
    uint64_t expires = 0;  // FILETIME; 0 when none
    uint32_t entry_type = 0;
    std::string header_info;
    uint32_t offset = 0;  // where the record lies in the file (set when read or added)
};

class IndexDat {
public:
    static constexpr std::string_view kWindowsSignature = "Client UrlCache MMF Ver 5.2";
    static constexpr std::string_view kWineSignature = "WINE URLCache Ver 0.2012001";
    static constexpr size_t kMostFolders = 32;
    // The largest file the bitmap can describe.
    static uint64_t largest_size();

    // DamagedIndex when anything does not check out.
    explicit IndexDat(std::string bytes);
    // An index without records, with these cache folders (8-character plain names).
    static IndexDat create(std::string_view signature, const std::vector<std::string>& folders);

    const std::string& bytes() const { return bytes_; }
    const std::vector<std::string>& folders() const { return folders_; }
    // In the order of the hash tables, then the leak list.
    const std::vector<IndexRecord>& records() const { return records_; }

    // Removes every record `take` picks, each as the header describes; returns how many went.
    size_t remove_if(const std::function<bool(const IndexRecord&)>& take);
    // Zeroes every block the bitmap marks free: Windows leaves what it removed in them.
    void zero_free_blocks();
    // Adds a URL record (url, local_name, folder, size, times, entry_type, header_info), with a
    // hash slot Wine finds it by; the file grows when no run of free blocks holds it. A record of
    // the same URL is the caller's to remove first. DamagedIndex when the bitmap cannot describe
    // a file that large.
    void add(IndexRecord record);

private:
    IndexDat() = default;
    void check_header();
    void read_hash_tables();
    void read_leak_list();
    void read_record(uint32_t offset, uint32_t slot);
    void claim(uint32_t offset, uint32_t blocks, std::string_view what);
    bool allocated(uint32_t block) const;
    void set_allocated(uint32_t block, bool used);
    uint32_t allocate(uint32_t blocks);
    void grow(uint32_t blocks);
    uint32_t new_hash_table(uint32_t previous);
    void insert_hash(std::string_view url, uint32_t type, uint32_t offset);
    void free_record(const IndexRecord& record);
    void relink_leaks();

    uint32_t u32(size_t at) const;
    void put32(size_t at, uint32_t value);
    uint64_t u64(size_t at) const;
    void put64(size_t at, uint64_t value);

    std::string bytes_;
    std::vector<std::string> folders_;
    std::vector<IndexRecord> records_;
    std::vector<std::vector<uint32_t>> slots_;  // per record: file offsets of the hash slots naming it
    std::vector<uint32_t> hash_tables_;          // in chain order
    std::vector<bool> claimed_;                  // blocks a table or record was read from
    // No run of free blocks starts before it: adding many records looks at each block once.
    uint32_t search_from_ = 0;
};

}  // namespace platform::inet
