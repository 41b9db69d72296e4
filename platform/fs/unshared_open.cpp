#include "platform/fs/unshared_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform::fs::detail {

namespace {

// Why writing through the opened file would reach more than this name; 0 when it would not.
int shared_reason(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return ENODEV;
    if (st.st_nlink > 1) return EMLINK;
    return 0;
}

}  // namespace

int open_unshared(int dir, const char* name, int flags, mode_t mode) {
    // Opening a device or a pipe can act by itself (block, rewind a tape): not blocking here, and
    // the check below refuses them before anything is written.
    const int fd = openat(dir, name, (flags & ~O_TRUNC) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    int failed = shared_reason(fd);
    if (!failed && (flags & O_TRUNC) && ftruncate(fd, 0) != 0) failed = errno;
    // F_SETFL takes only the status flags from `flags` (the caller's, without O_NONBLOCK unless
    // asked for): the file gets the flags it would have had, without reading them back first.
    if (!failed && !(flags & O_NONBLOCK) && fcntl(fd, F_SETFL, flags) != 0) failed = errno;
    if (failed) {
        close(fd);
        errno = failed;
        return -1;
    }
    return fd;
}

std::optional<std::string> unshared_refusal(int host_errno) {
    switch (host_errno) {
        case ELOOP: return "it is a symbolic link, and nothing is written through one";
        case EMLINK:
            return "its data has other names (hard links), which may lie outside the machine folder, and is not "
                   "written through this one";
        case ENODEV: return "it is not a regular file";
    }
    return std::nullopt;
}

}  // namespace platform::fs::detail
