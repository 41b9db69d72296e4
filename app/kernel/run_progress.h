#pragma once
// A long run as the screen shows it, for the life of one object: the screen locked with the busy
// pointer at once, how far the run has come (whole percent, and "done of total" for a run that
// counts), the time left once the pace allows an estimate, and a Cancel that the run hears
// between two files, entries or items (platform/sys/run_cancel.h). The free-space wipe, the
// shredder's lists and drives, the DLL and registry scans and the plug-in runs all show
// themselves through it.
#include <chrono>
#include <cstddef>
#include <string>

#include "platform/sys/run_cancel.h"

namespace app {

class Shell;

class RunProgress {
public:
    explicit RunProgress(Shell& shell);
    ~RunProgress();
    RunProgress(const RunProgress&) = delete;
    RunProgress& operator=(const RunProgress&) = delete;

    // The share done, 0 to 100: only a change of whole percent reaches the screen.
    void percent(double percent);
    // `done` of `total` things looked at or removed: the percent, and "done of total" beside it.
    void count(size_t done, size_t total);
    // The last whole percent shown, 0 before the first.
    int shown_percent() const;
    // Whether the user has asked this run to stop.
    static bool cancelled() { return platform::run_cancel_requested(); }

private:
    using Clock = std::chrono::steady_clock;

    void show(int whole, const std::string& count_text);
    void set(const char* name, const std::string& value);

    Shell& shell_;
    int shown_ = -1;
    Clock::time_point started_ = Clock::now();
    platform::CancellableRun run_;
};

}  // namespace app
