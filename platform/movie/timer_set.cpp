#include "platform/movie/timer_set.h"

#include <algorithm>

namespace platform::movie {

TimerId TimerSet::add(std::chrono::milliseconds interval, std::function<void()> tick, Clock::time_point now) {
    // A zero interval would spin the UI thread and starve every page request.
    interval = std::max(interval, std::chrono::milliseconds(1));
    TimerId id = next_id_++;
    timers_.emplace(id, Timer{interval, std::make_shared<const std::function<void()>>(std::move(tick)), now + interval});
    return id;
}

void TimerSet::remove(TimerId id) {
    timers_.erase(id);
}

std::optional<TimerSet::DueTick> TimerSet::take_due(Clock::time_point now) {
    Timer* most_overdue = nullptr;
    TimerId most_overdue_id = 0;
    for (auto& [id, timer] : timers_) {
        if (timer.ticking || timer.due > now) continue;
        if (most_overdue == nullptr || timer.due < most_overdue->due) {
            most_overdue = &timer;
            most_overdue_id = id;
        }
    }
    if (most_overdue == nullptr) return std::nullopt;
    most_overdue->ticking = true;
    most_overdue->due = now + most_overdue->interval;
    return DueTick{most_overdue_id, most_overdue->tick};
}

void TimerSet::tick_finished(TimerId id) {
    auto found = timers_.find(id);
    if (found != timers_.end()) found->second.ticking = false;
}

std::optional<Clock::time_point> TimerSet::next_due() const {
    std::optional<Clock::time_point> next;
    for (const auto& [id, timer] : timers_) {
        if (timer.ticking) continue;
        if (!next || timer.due < *next) next = timer.due;
    }
    return next;
}

}  // namespace platform::movie
