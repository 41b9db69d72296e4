#pragma once
// Ending the program on SIGINT and SIGTERM, whatever its threads are doing. The UI thread may be
// deep in a long operation (a big shred) that looks at no flag, and a clean return through every
// destructor would wait for it, so the process ends from a thread of its own instead: nothing more
// is saved, which is safe because every finished command's changes are already on disk and each
// file is replaced by an atomic rename.
#include <chrono>
#include <functional>
#include <thread>

namespace platform {

// How the process ends: with status 0 (the screens, where ending is what the user asked for), or
// as the signal itself ends a process (a command in a script, whose caller must see the run was
// cut short).
enum class SignalEnding { StatusZero, AsSignalled };

// While one lives, the first SIGINT or SIGTERM removes the files registered with RemovedOnSignal,
// runs `farewell` on a thread of its own (to tell the pages, say), gives it at most `allowed` to
// finish, and then ends the process. Before and after, the signals have their default action.
// One at a time.
class EndOnSignal {
public:
    EndOnSignal(std::function<void()> farewell, std::chrono::milliseconds allowed,
                SignalEnding ending = SignalEnding::StatusZero);
    ~EndOnSignal();
    EndOnSignal(const EndOnSignal&) = delete;
    EndOnSignal& operator=(const EndOnSignal&) = delete;

private:
    void watch();

    std::function<void()> farewell_;
    std::chrono::milliseconds allowed_;
    SignalEnding ending_;
    std::thread watcher_;
};

}  // namespace platform
