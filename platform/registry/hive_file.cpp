#include "platform/registry/hive_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/registry/registry.h"
#include "platform/sys/huge_page_memory.h"

namespace platform::registry {
namespace {

// Two chunks are in memory while a save writes: one filling, one being written.
constexpr size_t write_chunk = 512 << 10;

// From this size on, a hive file is read alongside its parsing, and let go on a thread of its own.
constexpr size_t large_file = 4 << 20;

// From this size on, a hive file is mapped rather than read where it can be (see map_whole): below
// it, the pages a read touches cost less than holding a lease.
constexpr size_t mapped_file = 1 << 20;

// What the reading thread hands over at a time.
constexpr size_t read_chunk_size = 1 << 20;

// No registry a machine holds comes near this; a file that claims more is not a hive to read
// whole into memory (a sparse file, or something put in the hive's place).
constexpr uint64_t largest_hive = uint64_t{1} << 30;

std::string describe(int error) { return std::strerror(error); }
std::string describe_errno() { return describe(errno); }

size_t page_rounded(size_t size) {
    const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return (size + page - 1) / page * page;
}

int64_t nanoseconds(const struct timespec& time) { return static_cast<int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec; }

FileStamp stamp_from(const struct stat& st) {
    return {true,
            static_cast<uint64_t>(st.st_dev),
            static_cast<uint64_t>(st.st_ino),
            static_cast<uint64_t>(st.st_size),
            nanoseconds(st.st_mtim),
            nanoseconds(st.st_ctim)};
}

// The same file with the same contents: renaming a file changes only its status time.
bool same_version(const FileStamp& a, const FileStamp& b) {
    return a.exists == b.exists && a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modified_ns == b.modified_ns;
}

}  // namespace

FileStamp stamp_of(const std::filesystem::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? stamp_from(st) : FileStamp{};
}

HiveText::HiveText(std::string_view text) {
    reserve(text.size());
    std::memcpy(data_, text.data(), text.size());
    size_ = text.size();
}

HiveText::HiveText(HiveText&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      mapping_(std::move(other.mapping_)) {}

HiveText& HiveText::operator=(HiveText&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        mapping_ = std::move(other.mapping_);
    }
    return *this;
}

HiveText::~HiveText() { release(); }

void HiveText::append(std::string_view bytes) {
    if (bytes.empty()) return;
    if (size_ + bytes.size() > capacity_) reserve(std::max(size_ + bytes.size(), capacity_ * 2));
    std::memcpy(data_ + size_, bytes.data(), bytes.size());
    size_ += bytes.size();
}

void HiveText::release() {
    if (mapping_) mapping_.reset();
    else if (data_) ::munmap(data_, capacity_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}

void HiveText::reserve(size_t capacity) {
    capacity = page_rounded(std::max<size_t>(capacity, 1));
    if (mapping_) {  // the file's pages are read-only: what grows is a copy of them
        HiveText copy;
        copy.reserve(std::max(capacity, size_));
        std::memcpy(copy.data_, data_, size_);
        copy.size_ = size_;
        *this = std::move(copy);
        return;
    }
    if (capacity <= capacity_) return;
    void* memory = data_ ? ::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE)
                         : ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    // A file read whole, or a run's edits, fills the buffer at once: huge pages spare a fault per
    // 4 KB (see huge_page_memory.h).
    if (capacity >= platform::sys::kHugePageBytes) ::madvise(memory, capacity, MADV_HUGEPAGE);
    data_ = static_cast<char*>(memory);
    capacity_ = capacity;
}

HiveFileReader::HiveFileReader(const std::filesystem::path& file, bool alongside) : file_(file) {
    // Not blocking: a pipe in the hive's place would wait for a writer for ever. What is opened
    // is checked before a byte is read; a device such as /dev/zero never ends.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            ended_ = true;
            return;
        }
        throw HiveError(file.string() + ": cannot open: " + describe_errno());
    }
    on_disk_.file = HeldFile(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw HiveError(file.string() + ": cannot read: " + describe_errno());
    if (!S_ISREG(st.st_mode)) throw HiveError(file.string() + ": not a regular file, so not a registry file to read");
    if (static_cast<uint64_t>(st.st_size) > largest_hive)
        throw HiveError(file.string() + ": " + std::to_string(st.st_size) +
                        " bytes, more than a registry file can hold (" + std::to_string(largest_hive) + ")");
    ::fcntl(fd, F_SETFL, O_RDONLY);
    size_when_opened_ = static_cast<size_t>(st.st_size);
    try {
        if (size_when_opened_ >= mapped_file && map_whole()) {
            parse_alongside_ = alongside && size_when_opened_ >= large_file;
            return;
        }
        parse_alongside_ = alongside && size_when_opened_ >= large_file && start_alongside();
        if (!parse_alongside_) read_all();
    } catch (const std::bad_alloc&) {
        throw HiveError(file.string() + ": not enough memory to read it");
    }
}

// The file's own pages, under a lease, when it can be held so; checked again once the lease is
// held, as the file may have changed between the first look and the lease.
bool HiveFileReader::map_whole() {
    std::unique_ptr<fs::LeasedMapping> mapping = fs::LeasedMapping::map(on_disk_.file.fd(), size_when_opened_);
    struct stat st {};
    if (!mapping || ::fstat(on_disk_.file.fd(), &st) != 0 || static_cast<size_t>(st.st_size) != size_when_opened_)
        return false;
    text_.data_ = const_cast<char*>(mapping->bytes().data());  // never written through: see reserve
    text_.size_ = size_when_opened_;
    text_.mapping_ = std::move(mapping);
    arrived_ = size_when_opened_;
    ended_ = true;
    return true;
}

bool HiveFileReader::start_alongside() {
    text_.reserve(size_when_opened_ + 1);  // one byte more tells a file that grew
    try {
        thread_ = std::thread([this] { read_alongside(); });
        return true;
    } catch (const std::system_error&) {
        return false;  // no thread to spare: read it all now
    }
}

HiveFileReader::~HiveFileReader() {
    if (!thread_.joinable()) return;
    stop_ = true;
    thread_.join();
}

// Sized from the file; keeps reading, and growing the buffer, in case the file grew.
void HiveFileReader::read_all() {
    size_t have = 0;
    text_.reserve(size_when_opened_ + 1);
    for (;;) {
        if (have == text_.capacity_) text_.reserve(text_.capacity_ * 2);
        size_t got = 0;
        if (!read_chunk(have, text_.capacity_ - have, got)) break;
        have += got;
    }
    arrived_ = have;
    ended_ = true;
}

void HiveFileReader::read_alongside() {
    size_t have = 0;
    try {
        while (!stop_) {
            size_t got = 0;
            if (have == text_.capacity_) {
                char probe = 0;
                const ssize_t n = ::pread(on_disk_.file.fd(), &probe, 1, static_cast<off_t>(have));
                return end_with({}, n > 0);
            }
            if (!read_chunk(have, std::min(read_chunk_size, text_.capacity_ - have), got)) break;
            have += got;
            {
                const std::lock_guard lock(mutex_);
                arrived_ = have;
            }
            arrival_.notify_all();
        }
        end_with({}, false);
    } catch (const HiveError& error) {
        end_with(error.what(), false);
    }
}

bool HiveFileReader::read_chunk(size_t have, size_t wanted, size_t& got) {
    for (;;) {
        const ssize_t n = ::read(on_disk_.file.fd(), text_.data_ + have, wanted);
        if (n > 0) {
            got = static_cast<size_t>(n);
            return true;
        }
        if (n == 0) return false;
        if (errno != EINTR) throw HiveError(file_.string() + ": cannot read: " + describe_errno());
    }
}

void HiveFileReader::end_with(std::string error, bool grew) {
    {
        const std::lock_guard lock(mutex_);
        error_ = std::move(error);
        grew_ = grew;
        ended_ = true;
    }
    arrival_.notify_all();
}

std::string_view HiveFileReader::arrived_beyond(size_t size) {
    std::unique_lock lock(mutex_);
    arrival_.wait(lock, [&] { return arrived_ > size || ended_; });
    if (ended_ && arrived_ <= size) {
        if (!error_.empty()) throw HiveError(error_);
        if (grew_) throw HiveFileGrew{};
    }
    return {text_.data_, arrived_};
}

HiveFileContents HiveFileReader::finish() {
    arrived_beyond(std::numeric_limits<size_t>::max());
    if (thread_.joinable()) thread_.join();
    text_.size_ = arrived_;
    // Taken after the reading, so a change made while it read shows as a change later.
    struct stat st {};
    on_disk_.stamp = ::fstat(on_disk_.file.fd(), &st) == 0 ? stamp_from(st) : FileStamp{};
    return {std::move(text_), std::move(on_disk_)};
}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
    if (this != &other) {
        let_go();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void HeldFile::let_go() {
    if (fd_ < 0) return;
    const int fd = std::exchange(fd_, -1);
    struct stat st {};
    // A small file is closed at once; a thread costs more than freeing it.
    if (::fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(large_file)) {
        ::close(fd);
        return;
    }
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);  // no thread to spare: the caller pays for the freeing
    }
}

void remove_stale_replacements(const std::filesystem::path& machine_dir) {
    constexpr const char* hives[] = {"system.reg", "user.reg", "userdef.reg"};
    for (const char* hive : hives) fs::remove_unfinished_replacements(machine_dir / hive);
    // Earlier versions named a hive's replacement "<hive>.tmp-" and six letters: a machine where a
    // killed save of theirs left one behind must not keep a copy of the registry for ever.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(machine_dir, error)) {
        const std::string name = entry.path().filename().string();
        for (const char* hive : hives) {
            const std::string prefix = std::string(hive) + ".tmp-";
            if (name.size() == prefix.size() + 6 && name.starts_with(prefix)) ::unlink(entry.path().c_str());
        }
    }
}

HiveFileWriter::HiveFileWriter(std::filesystem::path target)
    : target_(std::move(target)), replacement_(target_, target_) {
    if (int error = replacement_.create_error()) fail("cannot create a temporary file beside it", error);
}

HiveFileWriter::~HiveFileWriter() { stop_writer(); }

void HiveFileWriter::write(std::string_view bytes) {
    if (bytes.size() >= write_chunk) {  // large runs go out as they are, without a copy
        if (!filling_.empty()) hand_over();
        wait_for_writer();
        if (std::string error = write_all(bytes); !error.empty()) give_up(error);
        return;
    }
    // A chunk is handed over before it would outgrow its room, so that neither buffer ever grows
    // past it: a string left to grow on its own doubles to nearly twice the chunk.
    if (filling_.size() + bytes.size() > write_chunk) hand_over();
    if (filling_.capacity() < write_chunk) filling_.reserve(write_chunk);
    filling_.append(bytes);
}

void HiveFileWriter::hand_over() {
    wait_for_writer();
    std::swap(filling_, writing_);
    filling_.clear();
    if (!writer_.joinable()) {
        try {
            writer_ = std::thread([this] { write_chunks(); });
        } catch (const std::system_error&) {
            // No thread to spare: this chunk is written here and now.
            if (std::string error = write_all(writing_); !error.empty()) give_up(error);
            return;
        }
    }
    {
        const std::lock_guard lock(mutex_);
        chunk_handed_ = true;
    }
    chunk_moved_.notify_all();
}

void HiveFileWriter::wait_for_writer() {
    std::unique_lock lock(mutex_);
    chunk_moved_.wait(lock, [&] { return !chunk_handed_; });
    if (write_error_.empty()) return;
    const std::string error = write_error_;
    lock.unlock();
    give_up(error);
}

void HiveFileWriter::stop_writer() {
    if (!writer_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    chunk_moved_.notify_all();
    writer_.join();
}

// Once a chunk could not be written the rest is not tried: the save fails with the first reason.
void HiveFileWriter::write_chunks() {
    std::unique_lock lock(mutex_);
    for (;;) {
        chunk_moved_.wait(lock, [&] { return chunk_handed_ || closing_; });
        if (!chunk_handed_) return;
        const bool failed = !write_error_.empty();
        lock.unlock();
        std::string error = failed ? std::string() : write_all(writing_);
        lock.lock();
        if (!failed) write_error_ = std::move(error);
        chunk_handed_ = false;
        chunk_moved_.notify_all();
    }
}

std::string HiveFileWriter::write_all(std::string_view bytes) {
    const int error = replacement_.write(bytes);
    return error ? "cannot write: " + describe(error) : std::string();
}

OnDisk HiveFileWriter::commit(const std::optional<FileStamp>& expected) {
    if (!filling_.empty()) hand_over();
    wait_for_writer();
    stop_writer();
    if (int error = replacement_.flush()) fail("cannot flush to disk", error);
    replace_target(expected);
    // Stamped through the descriptor after the rename (which changes the status time), so the
    // stamp is that of our file even if another one takes its name right after.
    struct stat st {};
    const FileStamp stamp = ::fstat(replacement_.fd(), &st) == 0 ? stamp_from(st) : FileStamp{};
    // Held read-only: a file open for writing anywhere, even here, cannot be mapped under a lease
    // by the next load of it.
    const int written = replacement_.release();
    const int reading = ::open(("/proc/self/fd/" + std::to_string(written)).c_str(), O_RDONLY | O_CLOEXEC);
    if (reading < 0) return {stamp, HeldFile(written)};
    ::close(written);
    return {stamp, HeldFile(reading)};
}

void HiveFileWriter::replace_target(const std::optional<FileStamp>& expected) {
    if (!expected) {
        if (int error = replacement_.put_in_place()) fail("cannot replace the file", error);
        return;
    }
    using Placed = fs::AtomicReplacement::Placed;
    const Placed placed = replacement_.put_in_place_unless_changed(
        [&](const std::filesystem::path& file) { return same_version(stamp_of(file), *expected); });
    switch (placed.outcome) {
    case Placed::Replaced: return;
    case Placed::Refused: throw HiveFileChanged{};
    case Placed::Failed: fail("cannot replace the file", placed.error);
    case Placed::KeptAside:
        throw HiveError(target_.string() + ": another program wrote it during the save; its file is kept as " +
                        replacement_.temp_path() + ": " + describe(placed.error));
    }
}

void HiveFileWriter::fail(const std::string& what, int error) { give_up(what + ": " + describe(error)); }

void HiveFileWriter::give_up(const std::string& why) {
    stop_writer();
    throw HiveError(target_.string() + ": " + why);
}

}  // namespace platform::registry
