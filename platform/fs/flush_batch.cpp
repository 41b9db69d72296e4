// Many files written in place, made durable together by writing back only their own data.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/fs/file_impl.h"
#include "platform/fs/write_faults.h"

namespace platform::fs {

namespace {

// Files kept open while their data is on its way to the device. Older ones are waited for and
// closed as newer ones come, so that a large batch holds few descriptors: by then their data
// has long been written, and the wait costs nothing.
constexpr size_t kOpenFiles = 128;

// Asks the kernel to start writing the file's dirty pages now: the device works on them while
// the caller goes on with the next files.
void start_write_back(int fd) { sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE); }

// Writes the file's dirty pages and waits until the device has taken them; a failed write-back
// of this file, now or earlier, is reported here. The device may still hold them in its cache.
bool write_back(int fd) {
    if (write_faults::injected(write_faults::Step::flush)) return false;
    return sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) ==
           0;
}

}  // namespace

struct FlushBatch::Entry {
    File file;  // closed once its data is written back
    uint64_t device = 0;
    bool written = false;  // its data reached the device, perhaps only the device's cache
    bool flushed = false;
    bool dry = false;  // of a dry run: nothing to write back, counted as flushed
};

// A file system of the batch, with a descriptor of one of its files kept for the cache flush.
struct FlushBatch::Device {
    uint64_t id = 0;
    int fd = -1;

    // A cache flush makes every write that completed before it durable: the fdatasync of any one
    // file flushes what was written back for all the others.
    bool flush_cache() const { return fd >= 0 && fdatasync(fd) == 0; }
};

FlushBatch::FlushBatch() = default;
FlushBatch::FlushBatch(FlushBatch&&) noexcept = default;
FlushBatch& FlushBatch::operator=(FlushBatch&&) noexcept = default;

FlushBatch::~FlushBatch() {
    for (Device& device : devices_)
        if (device.fd >= 0) ::close(device.fd);
}

size_t FlushBatch::add(File file) {
    // A file of a dry run was never written: nothing of it is to be brought to the device, and a
    // preview must not wait for a cache flush of data that is not its own.
    if (file.impl_ && file.impl_->dry) {
        file.close();
        entries_.push_back({File(nullptr), 0, true, true, true});
        return entries_.size() - 1;
    }
    const int fd = file.impl_ ? file.impl_->fd : -1;
    struct stat st {};
    // A file that is not open (or cannot be looked at) has nothing to flush through: never flushed.
    if (fd < 0 || fstat(fd, &st) != 0) {
        entries_.push_back({File(nullptr), 0, false, false});
        return entries_.size() - 1;
    }
    start_write_back(fd);
    note_device(st.st_dev, fd);
    entries_.push_back({std::move(file), st.st_dev, false, false});
    if (entries_.size() - first_open_ > kOpenFiles) finish_write_back(entries_[first_open_++]);
    return entries_.size() - 1;
}

void FlushBatch::note_device(uint64_t id, int fd) {
    const auto known = std::ranges::find(devices_, id, &Device::id);
    if (known != devices_.end()) return;
    // Without a descriptor of its own the device's files are each flushed on their own.
    devices_.push_back({id, fcntl(fd, F_DUPFD_CLOEXEC, 0)});
}

void FlushBatch::finish_write_back(Entry& entry) {
    if (!entry.file.impl_) return;
    const auto device = std::ranges::find(devices_, entry.device, &Device::id);
    const int fd = entry.file.impl_->fd;
    entry.written = device != devices_.end() && device->fd >= 0 ? write_back(fd)
                                                                : !write_faults::injected(write_faults::Step::flush) &&
                                                                      fdatasync(fd) == 0;
    try {
        entry.file.close();
    } catch (const FsError&) {
        entry.written = false;
    }
}

void FlushBatch::flush() {
    for (; first_open_ < entries_.size(); ++first_open_) finish_write_back(entries_[first_open_]);
    for (Device& device : devices_) {
        const bool written_there = std::ranges::any_of(
            entries_, [&](const Entry& entry) { return entry.written && entry.device == device.id; });
        const bool durable = device.fd < 0 || !written_there || device.flush_cache();
        for (Entry& entry : entries_)
            if (entry.device == device.id && !entry.dry) entry.flushed = entry.written && durable;
        if (device.fd >= 0) ::close(device.fd);
        device.fd = -1;
    }
}

bool FlushBatch::flushed(size_t key) const { return key < entries_.size() && entries_[key].flushed; }

}  // namespace platform::fs
