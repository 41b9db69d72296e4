#pragma once
// The schedule check that ticks every second while the program runs: when the stored schedule
// falls due it cleans the current profile's ticks, with the lines in the log window.
#include <optional>
#include <tuple>

#include "engine/foundation/clock.h"

namespace app {

class Shell;

// Whether a stored schedule arms the check: read at start-up, set by the screen's save, cleared
// by the check for the minute it runs in. The close button asks about an armed schedule first.
struct ScheduleArming {
    bool armed = false;
};

class ScheduleCheck {
public:
    ScheduleCheck(Shell& shell, ScheduleArming& arming) : shell_(shell), arming_(arming) {}

    // One tick: nothing while the schedule is disarmed, a run when it is due. A due minute runs
    // once however many ticks fall into it; once that minute is over the check arms itself again
    // for as long as a schedule is stored, so a daily schedule runs every day the program is open.
    void tick();

private:
    using Minute = std::tuple<int, int, int, int, int>;
    static Minute minute_of(const engine::LocalTime& time);
    void rearm_after(const Minute& now);
    void run_due_schedule();

    Shell& shell_;
    ScheduleArming& arming_;
    std::optional<Minute> fired_;
    bool running_ = false;
};

}  // namespace app
