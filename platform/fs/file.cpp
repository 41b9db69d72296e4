#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/fs/file_impl.h"
#include "platform/fs/fs_errors.h"

namespace platform::fs {

File::Impl::~Impl() {
    if (fd >= 0) ::close(fd);
}

File::File(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
File::File(File&&) noexcept = default;
File& File::operator=(File&&) noexcept = default;
File::~File() = default;

namespace {

const File::Impl& open_file(const std::unique_ptr<File::Impl>& impl, std::string_view action) {
    if (!impl || (impl->fd < 0 && !impl->dry)) detail::throw_fs_error(error::InvalidHandle, action, impl ? impl->windows_path : "");
    return *impl;
}

uint64_t size_of(const File::Impl& file) {
    if (file.dry) return file.dry_size;
    struct stat st;
    if (fstat(file.fd, &st) != 0) detail::throw_host_error(errno, "read the size of", file.windows_path);
    return static_cast<uint64_t>(st.st_size);
}

// How much of a write starting at `offset` fits in the drive's quota.
size_t bytes_within_quota(const File::Impl& file, uint64_t offset, size_t length) {
    if (!file.quota) return length;
    uint64_t limit = size_of(file) + file.quota->room();
    if (offset >= limit) return 0;
    return static_cast<size_t>(std::min<uint64_t>(length, limit - offset));
}

// pwrite until everything is written; the host's errno when it stops early, else 0.
int write_fully(int fd, uint64_t offset, std::span<const uint8_t> data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        done += static_cast<size_t>(n);
    }
    return 0;
}

// The write itself, with what it grew the file by spent from the drive's quota.
void write_and_count(const File::Impl& file, uint64_t offset, std::span<const uint8_t> data) {
    uint64_t size_before = file.quota ? size_of(file) : 0;
    int failure = write_fully(file.fd, offset, data);
    if (file.quota) {
        uint64_t size_after = size_of(file);
        if (size_after > size_before) file.quota->used += size_after - size_before;
    }
    if (failure) detail::throw_host_error(failure, "write to", file.windows_path);
}

// A dry run's write: the file grows as it would, and so does what the quota counts as used.
void pretend_write(File::Impl& file, uint64_t offset, size_t length) {
    const uint64_t end = offset + length;
    if (end <= file.dry_size) return;
    if (file.quota) file.quota->used += end - file.dry_size;
    file.dry_size = end;
}

}  // namespace

uint64_t File::size() const { return size_of(open_file(impl_, "read the size of")); }

void File::write_at(uint64_t offset, std::span<const uint8_t> data) {
    const Impl& file = open_file(impl_, "write to");
    if (!file.writable) detail::throw_fs_error(error::AccessDenied, "write to", file.windows_path);
    size_t fitting = bytes_within_quota(file, offset, data.size());
    if (file.dry) pretend_write(*impl_, offset, fitting);
    else write_and_count(file, offset, data.first(fitting));
    // Like a full disk: what fitted is written, then the write fails.
    if (fitting < data.size()) detail::throw_fs_error(error::DiskFull, "write to", file.windows_path);
}

void File::append(std::span<const uint8_t> data) { write_at(size(), data); }

size_t File::read_at(uint64_t offset, std::span<uint8_t> buffer) const {
    const Impl& file = open_file(impl_, "read");
    if (file.fd < 0) return 0;  // a dry run's file that was never made
    size_t done = 0;
    while (done < buffer.size()) {
        ssize_t n = pread(file.fd, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) detail::throw_host_error(errno, "read", file.windows_path);
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

void File::sync() {
    const Impl& file = open_file(impl_, "flush");
    if (file.dry) return;
    if (fsync(file.fd) != 0) detail::throw_host_error(errno, "flush", file.windows_path);
}

bool File::has_name() const {
    struct stat st;
    return impl_ && impl_->fd >= 0 && fstat(impl_->fd, &st) == 0 && st.st_nlink > 0;
}

void File::close() {
    if (impl_) impl_->dry = false;
    if (!impl_ || impl_->fd < 0) return;
    int fd = impl_->fd;
    impl_->fd = -1;
    // A failed close can be the only sign that buffered data never reached the disk.
    if (::close(fd) != 0 && errno != EINTR) detail::throw_host_error(errno, "close", impl_->windows_path);
}

}  // namespace platform::fs
