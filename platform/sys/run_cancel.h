#pragma once
// The user's Cancel of the long run in progress (a free-space wipe, a shred of files or folders).
// The run holds the program's one UI thread and the requests the page queues wait for it, so
// Cancel arrives on a server thread instead: one flag that any thread may raise and the run's
// loops read between two files.
#include <stdexcept>

namespace platform {

// Raised by the user; heard only while a run that can be cancelled is under way.
void request_run_cancel();
bool run_cancel_requested();

// What a run throws when it stops for the user's Cancel, after it has put back what it had begun.
class RunCancelled : public std::runtime_error {
public:
    RunCancelled() : std::runtime_error("cancelled") {}
};

// A run that Cancel may stop, for the lifetime of one object: a Cancel pressed before it began or
// after it ended never stops it, nor the next one.
class CancellableRun {
public:
    CancellableRun();
    ~CancellableRun();
    CancellableRun(const CancellableRun&) = delete;
    CancellableRun& operator=(const CancellableRun&) = delete;

    // Throws RunCancelled when the user has asked to stop.
    static void check();
};

}  // namespace platform
