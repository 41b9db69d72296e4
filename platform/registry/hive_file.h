#pragma once
// The host-file side of a hive: reading it whole, and replacing it atomically.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/fs/atomic_replace.h"
#include "platform/fs/leased_mapping.h"

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

// A hive's text: a large file's own pages, mapped under a lease (see fs::LeasedMapping), or memory
// of its own rather than a std::string: a hive can be tens of megabytes, and a string would be
// zero-filled before the file is read over it, touching every page twice. It stays in small pages: asking for huge pages saved a few milliseconds of page
// faults on a 45 MB hive, but where the machine hands free memory back to its host (a virtual
// machine reporting free pages), a huge page is most often one the host must supply afresh, and
// loading the same file took from 30 to 140 ms instead of about 40.
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
    friend class HiveFileReader;
    void reserve(size_t capacity);  // keeps what is there
    void release();

    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;  // the mapped length
    std::unique_ptr<fs::LeasedMapping> mapping_;  // when data_ are the file's pages
};


// An open descriptor of the file a hive was read from or last saved to. While it is held, a save
// that takes the file's name does not free the old file's pages and blocks: for a large hive that
// costs about as long as writing it (the kernel drops every page), so it is done when the
// descriptor is let go, on a thread of its own for a large file.
class HeldFile {
public:
    HeldFile() = default;
    explicit HeldFile(int fd) : fd_(fd) {}
    HeldFile(HeldFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    HeldFile& operator=(HeldFile&& other) noexcept;
    ~HeldFile() { let_go(); }
    int fd() const { return fd_; }

private:
    void let_go();
    int fd_ = -1;
};

// A hive file as it was read or written: the stamp to tell another program's change by, and the
// file itself, held.
struct OnDisk {
    FileStamp stamp;
    HeldFile file;
};

struct HiveFileContents {
    HiveText text;
    OnDisk on_disk;
};

// Thrown by a save that finds its file is no longer the one it was told to replace: another
// program wrote it meanwhile. The replacement is dropped; the file is as that program left it.
struct HiveFileChanged {};

// Thrown when a file read alongside its parsing grew past the room kept for it while it was read:
// the caller reads it again, not alongside.
struct HiveFileGrew {};

// Reads a hive file whole. A large file is read on a thread of its own while the caller goes
// through what has arrived, so that the kernel's copying of the file overlaps the parsing; its
// buffer is sized from the file up front and never moves while it is read.
class HiveFileReader {
public:
    // Opens the file and starts reading it (alongside == false: reads it all now). Throws HiveError.
    HiveFileReader(const std::filesystem::path& file, bool alongside);
    ~HiveFileReader();  // stops a read still going
    HiveFileReader(const HiveFileReader&) = delete;
    HiveFileReader& operator=(const HiveFileReader&) = delete;

    bool exists() const { return on_disk_.file.fd() >= 0; }
    size_t size_when_opened() const { return size_when_opened_; }
    // Whether the file is large enough, and its text in sight early enough, for its last part to
    // be parsed on a thread of its own: a file read alongside, or mapped whole at once.
    bool worth_parsing_alongside() const { return parse_alongside_; }
    // Waits until more than `size` bytes have arrived or the file has ended; returns all that has
    // arrived. Throws HiveError when the file cannot be read, HiveFileGrew.
    std::string_view arrived_beyond(size_t size);
    // Waits for the end of the file; the text, with the stamp of what was read and the file held.
    // Throws as arrived_beyond.
    HiveFileContents finish();

private:
    bool start_alongside();
    bool map_whole();
    void read_all();
    void read_alongside();
    bool read_chunk(size_t have, size_t wanted, size_t& got);  // false at the end of the file
    void end_with(std::string error, bool grew);

    std::filesystem::path file_;
    HiveText text_;
    OnDisk on_disk_;
    size_t size_when_opened_ = 0;
    bool parse_alongside_ = false;
    std::mutex mutex_;
    std::condition_variable arrival_;
    size_t arrived_ = 0;  // bytes in text_ the reading thread has finished with
    bool ended_ = false;
    bool grew_ = false;
    std::string error_;
    std::atomic<bool> stop_{false};
    std::thread thread_;  // last: it is stopped before the rest goes
};

// Writes a hive file's replacement (fs::AtomicReplacement). Writes are gathered into large
// chunks; a full chunk is written by a thread of its own while the next one fills, so that the
// kernel's copying of the text into the file overlaps the making of it.
class HiveFileWriter {
public:
    explicit HiveFileWriter(std::filesystem::path target);  // throws HiveError
    ~HiveFileWriter();  // an uncommitted replacement is removed
    HiveFileWriter(const HiveFileWriter&) = delete;
    HiveFileWriter& operator=(const HiveFileWriter&) = delete;

    void write(std::string_view bytes);  // throws HiveError, for this write or an earlier chunk's
    // Flushes, then puts the replacement in the target's place; returns the new file, held.
    // Throws HiveError; the target is then untouched. The rename is durable once the folder is
    // synced (fs::sync_folder), which a caller replacing several files in one folder does once
    // for all. With `expected` (the stamp of the file as it was read or last written), only that
    // file is replaced, or no file where it is gone; a file another program wrote meanwhile
    // stays, and HiveFileChanged is thrown.
    OnDisk commit(const std::optional<FileStamp>& expected = std::nullopt);

private:
    void hand_over();        // the filled chunk, to the writing thread
    void wait_for_writer();  // until it has written what it was handed
    void stop_writer();
    void write_chunks();     // the writing thread
    std::string write_all(std::string_view bytes);  // why it failed, or ""
    void replace_target(const std::optional<FileStamp>& expected);
    [[noreturn]] void fail(const std::string& what, int error);
    [[noreturn]] void give_up(const std::string& why);

    std::filesystem::path target_;
    fs::AtomicReplacement replacement_;
    std::string filling_;  // the chunk being filled
    std::string writing_;  // the chunk the writing thread was handed
    std::mutex mutex_;
    std::condition_variable chunk_moved_;
    bool chunk_handed_ = false;  // writing_ is not written yet
    bool closing_ = false;
    std::string write_error_;  // why the writing thread could not write a chunk
    std::thread writer_;       // started with the first full chunk
};

}  // namespace platform::registry
