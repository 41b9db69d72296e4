#include "platform/fs/regular_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform::fs::detail {

int open_regular(int dir, const char* name) {
    const int fd = openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    int failed = fstat(fd, &st) != 0 ? errno : (S_ISREG(st.st_mode) ? 0 : ENODEV);
    // O_NONBLOCK was only for the open: a regular file's reads ignore it, but it stays out of
    // the way of anything the descriptor is handed to.
    if (!failed && fcntl(fd, F_SETFL, O_RDONLY) != 0) failed = errno;
    if (failed) {
        close(fd);
        errno = failed;
        return -1;
    }
    return fd;
}

}  // namespace platform::fs::detail
