#include "platform/registry/hive_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/registry/registry.h"

namespace platform::registry {
namespace {

constexpr size_t write_chunk = 1 << 20;

std::string describe_errno() { return std::strerror(errno); }

}  // namespace

std::optional<std::string> read_hive_file(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw HiveError(file.string() + ": cannot open: " + describe_errno());
    }
    std::string contents;
    struct stat st {};
    // Read straight into the buffer, sized from the file; keep reading in case the file grew.
    size_t size = ::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
    contents.resize(size + 1);
    size_t used = 0;
    for (;;) {
        if (used == contents.size()) contents.resize(contents.size() * 2);
        const ssize_t n = ::read(fd, contents.data() + used, contents.size() - used);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const std::string reason = describe_errno();
            ::close(fd);
            throw HiveError(file.string() + ": cannot read: " + reason);
        }
        used += static_cast<size_t>(n);
    }
    contents.resize(used);
    ::close(fd);
    return contents;
}

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target) : target_(std::move(target)) {
    temp_path_ = target_.string() + ".tmp-XXXXXX";
    fd_ = ::mkstemp(temp_path_.data());
    if (fd_ < 0) throw HiveError(target_.string() + ": cannot create a temporary file beside it: " + describe_errno());
    // The replacement keeps the permissions of the file it replaces (new hives: rw for the user).
    struct stat st {};
    const mode_t mode = ::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    ::fchmod(fd_, mode);
    buffer_.reserve(write_chunk * 2);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temp_path_.c_str());
    }
}

void AtomicFileWriter::write(std::string_view bytes) {
    if (bytes.size() >= write_chunk) {  // large runs go out as they are, without a copy
        drain();
        write_all(bytes);
        return;
    }
    buffer_.append(bytes);
    if (buffer_.size() >= write_chunk) drain();
}

void AtomicFileWriter::drain() {
    write_all(buffer_);
    buffer_.clear();
}

void AtomicFileWriter::write_all(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("cannot write");
        }
        done += static_cast<size_t>(n);
    }
}

void AtomicFileWriter::commit() {
    drain();
    if (::fsync(fd_) != 0) fail("cannot flush to disk");
    if (::close(fd_) != 0) {
        fd_ = -1;
        ::unlink(temp_path_.c_str());
        throw HiveError(target_.string() + ": cannot close the new file: " + describe_errno());
    }
    fd_ = -1;
    if (::rename(temp_path_.c_str(), target_.c_str()) != 0) {
        const std::string reason = describe_errno();
        ::unlink(temp_path_.c_str());
        throw HiveError(target_.string() + ": cannot replace the file: " + reason);
    }
    // The rename itself is only durable once the folder is flushed.
    const std::string folder = target_.has_parent_path() ? target_.parent_path().string() : ".";
    const int dir_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        ::fsync(dir_fd);
        ::close(dir_fd);
    }
}

void AtomicFileWriter::fail(const std::string& what) {
    const std::string reason = describe_errno();
    ::close(fd_);
    fd_ = -1;
    ::unlink(temp_path_.c_str());
    throw HiveError(target_.string() + ": " + what + ": " + reason);
}

}  // namespace platform::registry
