// One flush per file system for a batch of files written in place.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fs/file_impl.h"

namespace platform::fs {

struct FlushBatch::Device {
    dev_t id = 0;
    int fd = -1;  // any file of that file system, kept open until the flush
    bool flushed = false;
};

FlushBatch::FlushBatch() = default;
FlushBatch::FlushBatch(FlushBatch&&) noexcept = default;
FlushBatch& FlushBatch::operator=(FlushBatch&&) noexcept = default;

FlushBatch::~FlushBatch() {
    for (Device& device : devices_)
        if (device.fd >= 0) ::close(device.fd);
}

size_t FlushBatch::add(const File& file) {
    const int fd = file.impl_ ? file.impl_->fd : -1;
    struct stat st;
    if (fd >= 0 && fstat(fd, &st) == 0) {
        for (size_t key = 0; key < devices_.size(); ++key)
            if (devices_[key].fd >= 0 && devices_[key].id == st.st_dev) return key;
        if (int kept = fcntl(fd, F_DUPFD_CLOEXEC, 0); kept >= 0) {
            devices_.push_back({st.st_dev, kept, false});
            return devices_.size() - 1;
        }
    }
    // Nothing to flush its file system through later: this one file is flushed on its own now.
    devices_.push_back({0, -1, fd >= 0 && fsync(fd) == 0});
    return devices_.size() - 1;
}

void FlushBatch::flush() {
    for (Device& device : devices_) {
        if (device.fd < 0) continue;
        // syncfs reports a failed write-back of any file of the file system since the descriptor
        // was opened, so a failure here holds for every file of the batch on it.
        device.flushed = syncfs(device.fd) == 0;
        ::close(device.fd);
        device.fd = -1;
    }
}

bool FlushBatch::flushed(size_t key) const { return key < devices_.size() && devices_[key].flushed; }

}  // namespace platform::fs
