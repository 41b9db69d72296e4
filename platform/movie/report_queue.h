#pragma once
// What the pages reported, waiting for the UI thread, numbered as /api answers them ({"seq":N}).
// Not synchronised: the player's lock guards it together with the "UI thread is waiting" flag, which
// is what lets /api/idle tell "handled" from "queued but not yet picked up" without a race.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <variant>

#include "platform/movie/event_log.h"
#include "platform/movie/movie_player.h"

namespace platform::movie {

struct PageVariableChange {
    VariableChange change;
    std::optional<StreamId> from_stream;  // the page that made it does not need it echoed
};

struct DialogAnswer {
    std::uint64_t id = 0;
    std::optional<std::string> result;  // nullopt: cancelled
};

using Report = std::variant<Command, PageVariableChange, DialogAnswer>;

struct QueuedReport {
    std::uint64_t seq = 0;
    Report report;
};

class ReportQueue {
public:
    std::uint64_t push(Report report) {
        items_.push_back(QueuedReport{++last_seq_, std::move(report)});
        return last_seq_;
    }
    std::optional<QueuedReport> pop() {
        if (items_.empty()) return std::nullopt;
        QueuedReport front = std::move(items_.front());
        items_.pop_front();
        return front;
    }
    bool empty() const { return items_.empty(); }
    // Whether a report numbered `seq` or lower is still waiting to be picked up.
    bool holds_up_to(std::uint64_t seq) const { return !items_.empty() && items_.front().seq <= seq; }
    std::uint64_t last_seq() const { return last_seq_; }

private:
    std::deque<QueuedReport> items_;
    std::uint64_t last_seq_ = 0;
};

}  // namespace platform::movie
