#include "platform/movie/exit_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <system_error>

namespace platform::movie {

ExitPipe::ExitPipe(std::function<void()> on_exit) : on_exit_(std::move(on_exit)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "cannot create the exit pipe");
    read_fd_ = fds[0];
    write_fd_ = fds[1];
    watcher_ = std::thread([this] { watch(); });
}

ExitPipe::~ExitPipe() {
    closing_ = true;
    const char wake = 0;
    while (::write(write_fd_, &wake, 1) < 0 && errno == EINTR) {
    }
    watcher_.join();
    ::close(read_fd_);
    ::close(write_fd_);
}

void ExitPipe::raise() noexcept {
    const int saved_errno = errno;  // a signal handler must leave errno as it found it
    raised_ = true;
    const char wake = 1;
    while (::write(write_fd_, &wake, 1) < 0 && errno == EINTR) {
    }
    errno = saved_errno;
}

void ExitPipe::watch() {
    bool told = false;
    for (;;) {
        char byte = 0;
        ssize_t got = ::read(read_fd_, &byte, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || closing_) return;
        if (raised_ && !told) {
            told = true;
            on_exit_();
        }
    }
}

}  // namespace platform::movie
