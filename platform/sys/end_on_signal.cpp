#include "platform/sys/end_on_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>

#include "platform/sys/removed_on_signal.h"

namespace platform {

namespace {

// The pipe carries the number of the signal, or this.
constexpr char kWatchNoMore = 0;

// The signal handler may only write to a pipe; the watcher reads it. Made once and never closed,
// so that a handler still running while a watcher ends never writes to a reused descriptor.
int signal_pipe_end(int end) {
    static const auto fds = [] {
        std::array<int, 2> made{};
        if (::pipe2(made.data(), O_CLOEXEC) != 0)
            throw std::system_error(errno, std::generic_category(), "cannot create the signal pipe");
        return made;
    }();
    return fds[end];
}

void send(char byte) {
    while (::write(signal_pipe_end(1), &byte, 1) < 0 && errno == EINTR) {
    }
}

void on_signal(int signal) {
    const int saved_errno = errno;  // a handler must leave errno as it found it
    send(static_cast<char>(signal));
    errno = saved_errno;
}

void set_handler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

// Runs `farewell` on a thread of its own and waits at most `allowed` for it.
void say_farewell(const std::function<void()>& farewell, std::chrono::milliseconds allowed) {
    struct Done {
        std::mutex lock;
        std::condition_variable woken;
        bool done = false;
    };
    auto done = std::make_shared<Done>();
    std::thread([farewell, done] {
        farewell();
        std::lock_guard held(done->lock);
        done->done = true;
        done->woken.notify_all();
    }).detach();
    std::unique_lock held(done->lock);
    done->woken.wait_for(held, allowed, [&] { return done->done; });
}

}  // namespace

EndOnSignal::EndOnSignal(std::function<void()> farewell, std::chrono::milliseconds allowed, SignalEnding ending)
    : farewell_(std::move(farewell)), allowed_(allowed), ending_(ending) {
    signal_pipe_end(0);  // made before any handler can need it
    watcher_ = std::thread([this] { watch(); });
    set_handler(on_signal);
}

EndOnSignal::~EndOnSignal() {
    set_handler(SIG_DFL);
    send(kWatchNoMore);
    watcher_.join();
}

void EndOnSignal::watch() {
    char byte = kWatchNoMore;
    while (::read(signal_pipe_end(0), &byte, 1) < 0 && errno == EINTR) {
    }
    if (byte == kWatchNoMore) return;
    remove_files_registered_for_signals();
    say_farewell(farewell_, allowed_);
    if (ending_ == SignalEnding::AsSignalled) {
        set_handler(SIG_DFL);
        ::kill(::getpid(), byte);
        ::_exit(128 + byte);  // only if the signal is blocked
    }
    ::_exit(0);
}

}  // namespace platform
