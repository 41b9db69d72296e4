// Many files written in place, made durable together by writing back only their own data.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fs/file_impl.h"
#include "platform/fs/write_faults.h"

namespace platform::fs {

namespace {

// Asks the kernel to start writing the file's dirty pages now: the device works on them while
// the caller goes on with the next files, and the wait in flush() finds most of them done.
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
    File file;
    dev_t device = 0;
    bool flushed = false;
};

FlushBatch::FlushBatch() = default;
FlushBatch::FlushBatch(FlushBatch&&) noexcept = default;
FlushBatch& FlushBatch::operator=(FlushBatch&&) noexcept = default;
FlushBatch::~FlushBatch() = default;

size_t FlushBatch::add(File file) {
    const int fd = file.impl_ ? file.impl_->fd : -1;
    struct stat st {};
    const bool usable = fd >= 0 && fstat(fd, &st) == 0;
    if (usable) start_write_back(fd);
    // A file that is not open (or cannot be looked at) has nothing to flush through: never flushed.
    entries_.push_back({usable ? std::move(file) : File(nullptr), st.st_dev, false});
    return entries_.size() - 1;
}

void FlushBatch::flush() {
    // Every file's own pages first, then the device's write cache once per device: a cache flush
    // makes every write that completed before it durable, so the last file's fdatasync covers the
    // others written back above. Nobody else's dirty data is waited for, unlike a file-system sync.
    std::vector<size_t> last_of_device;
    for (size_t key = 0; key < entries_.size(); ++key) {
        Entry& entry = entries_[key];
        if (!entry.file.impl_ || !write_back(entry.file.impl_->fd)) continue;
        entry.flushed = true;
        std::erase_if(last_of_device, [&](size_t other) { return entries_[other].device == entry.device; });
        last_of_device.push_back(key);
    }
    for (size_t last : last_of_device) {
        const bool durable = fdatasync(entries_[last].file.impl_->fd) == 0;
        if (durable) continue;
        for (Entry& entry : entries_)
            if (entry.device == entries_[last].device) entry.flushed = false;
    }
    for (Entry& entry : entries_) {
        try {
            entry.file.close();
        } catch (const FsError&) {
            entry.flushed = false;
        }
    }
}

bool FlushBatch::flushed(size_t key) const { return key < entries_.size() && entries_[key].flushed; }

}  // namespace platform::fs
