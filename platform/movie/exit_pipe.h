#pragma once
// A way to end the program from a signal handler. Almost nothing may be called there (no locks, no
// condition variables), but write() to a pipe may; a watcher thread turns that byte into an ordinary
// wake-up of the UI thread.
#include <atomic>
#include <functional>
#include <thread>

namespace platform::movie {

class ExitPipe {
public:
    // `on_exit` runs on the watcher thread once, when raise() was called.
    explicit ExitPipe(std::function<void()> on_exit);
    ~ExitPipe();
    ExitPipe(const ExitPipe&) = delete;
    ExitPipe& operator=(const ExitPipe&) = delete;

    void raise() noexcept;  // async-signal-safe
    bool raised() const noexcept { return raised_.load(); }

private:
    void watch();

    int read_fd_ = -1;
    int write_fd_ = -1;
    std::atomic<bool> raised_{false};
    std::atomic<bool> closing_{false};
    std::function<void()> on_exit_;
    std::thread watcher_;
};

}  // namespace platform::movie
