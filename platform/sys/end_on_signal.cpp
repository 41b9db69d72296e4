#include "platform/sys/end_on_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace platform {

namespace {

// Written by the signal handler, the only thing it may safely do; read by the ending thread.
int g_signal_pipe[2] = {-1, -1};

void on_signal(int) {
    const int saved_errno = errno;  // a handler must leave errno as it found it
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signal_pipe[1], &byte, 1);
    errno = saved_errno;
}

void wait_for_signal() {
    char byte = 0;
    while (::read(g_signal_pipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
}

// Runs `farewell` on a thread of its own and waits at most `allowed` for it.
void say_farewell(std::function<void()> farewell, std::chrono::milliseconds allowed) {
    struct Done {
        std::mutex lock;
        std::condition_variable woken;
        bool done = false;
    };
    auto done = std::make_shared<Done>();
    std::thread([farewell = std::move(farewell), done] {
        farewell();
        std::lock_guard held(done->lock);
        done->done = true;
        done->woken.notify_all();
    }).detach();
    std::unique_lock held(done->lock);
    done->woken.wait_for(held, allowed, [&] { return done->done; });
}

}  // namespace

void end_process_on_signal(std::function<void()> farewell, std::chrono::milliseconds allowed) {
    if (g_signal_pipe[0] >= 0) throw std::logic_error("the signal ending is already set up");
    if (::pipe2(g_signal_pipe, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot create the signal pipe");
    std::thread([farewell = std::move(farewell), allowed]() mutable {
        wait_for_signal();
        say_farewell(std::move(farewell), allowed);
        ::_exit(0);
    }).detach();
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace platform
