#pragma once
// The program's repeating timers. Not synchronised: the player's lock guards it, and a tick runs
// outside that lock, which is why a tick is handed out as a copy of its callback.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/movie/movie_player.h"

namespace platform::movie {

using Clock = std::chrono::steady_clock;

class TimerSet {
public:
    TimerId add(std::chrono::milliseconds interval, std::function<void()> tick, Clock::time_point now);
    void remove(TimerId id);

    struct DueTick {
        TimerId id = 0;
        std::shared_ptr<const std::function<void()>> tick;
    };
    // The most overdue timer that is not ticking already; it is marked as ticking and its next tick
    // counted from now, so a program that was busy for a while gets one tick, not a burst.
    std::optional<DueTick> take_due(Clock::time_point now);
    void tick_finished(TimerId id);
    // When the next idle timer falls due (nullopt: no timer can tick).
    std::optional<Clock::time_point> next_due() const;

private:
    struct Timer {
        std::chrono::milliseconds interval;
        std::shared_ptr<const std::function<void()>> tick;
        Clock::time_point due;
        bool ticking = false;
    };
    std::map<TimerId, Timer> timers_;
    TimerId next_id_ = 1;
};

}  // namespace platform::movie
