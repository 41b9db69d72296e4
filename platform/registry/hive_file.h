#pragma once
// The host-file side of a hive: reading it whole, and replacing it atomically.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform::registry {

// Which file is on disk under a name, and its last change: another program that writes the file,
// in place or by replacing it, changes one of these.
struct FileStamp {
    bool exists = false;
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modified_ns = 0, status_changed_ns = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of what is under that name now (exists == false when nothing is).
FileStamp stamp_of(const std::filesystem::path& file);

// A hive's text, held in memory of its own rather than a std::string: a hive can be tens of
// megabytes, and a string would be zero-filled before the file is read over it, touching every
// page twice. Large buffers ask for huge pages, so filling them costs a page fault per 2 MiB
// instead of per 4 KiB.
class HiveText {
public:
    HiveText() = default;
    explicit HiveText(std::string_view text);  // a copy
    HiveText(HiveText&& other) noexcept;
    HiveText& operator=(HiveText&& other) noexcept;
    ~HiveText();

    std::string_view view() const { return {data_, size_}; }
    size_t size() const { return size_; }
    // Grows without copying what is there (the mapping is remapped), so a buffer that takes the
    // hive's edits never needs twice its size while it grows.
    void append(std::string_view bytes);

private:
    friend std::optional<HiveText> read_hive_file(const std::filesystem::path& file, FileStamp& stamp);
    void reserve(size_t capacity);  // keeps what is there
    void release();

    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;  // the mapped length
};


// The whole file, or nothing when it does not exist, with the stamp of what was read. Throws
// HiveError when it cannot be read.
std::optional<HiveText> read_hive_file(const std::filesystem::path& file, FileStamp& stamp);

// Makes the renames done in a folder durable. Best effort: a folder that cannot be synced has
// still had its files replaced.
void sync_folder(const std::filesystem::path& folder);

// Writes a replacement for a file beside it and swaps it in only when all of it is on disk, so a
// crash or a full disk leaves the old file as it was. Writes are buffered into large chunks.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::filesystem::path target);  // throws HiveError
    ~AtomicFileWriter();  // an uncommitted replacement is removed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(std::string_view bytes);
    // fsync, then rename over the target; returns the stamp of the new file. Throws HiveError;
    // the target is then untouched. The rename is durable once the folder is synced
    // (sync_folder), which a caller replacing several files in one folder does once for all.
    FileStamp commit();

private:
    void drain();
    void write_all(std::string_view bytes);
    [[noreturn]] void fail(const std::string& what);

    std::filesystem::path target_;
    std::string temp_path_;
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace platform::registry
