#pragma once
// The events sent to the pages, numbered in the order they happened, and how far each open stream
// has got. Keeping them here (instead of pushing into per-stream queues) lets a reconnecting page
// start from a snapshot plus a position, and lets /api/idle see whether every page is up to date.
// Not synchronised: the player guards it with the same lock as the screen state, so a snapshot and
// the position after it always agree.
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace platform::movie {

using StreamId = std::uint64_t;

class EventLog {
public:
    // Events from one page's own variable change are not sent back to that page.
    void append(std::string data, std::optional<StreamId> not_for = std::nullopt);
    std::uint64_t end() const { return end_; }

    // Positioned at end(); it counts as behind until its snapshot is written (snapshot_sent).
    // Beyond kMostStreams open streams the oldest is closed (see closed_for_newer).
    StreamId open_stream();
    void snapshot_sent(StreamId stream);
    void close_stream(StreamId stream);
    // A page reloaded again and again, or a client opening streams in a loop, must not keep a
    // server thread per stream: the oldest stream gives way to a new one and should end.
    bool closed_for_newer(StreamId stream) const { return closed_for_newer_.contains(stream); }
    static constexpr std::size_t kMostStreams = 16;

    struct Batch {
        std::string text;          // ready to write: "data: ...\n\n" per event
        std::uint64_t next = 0;    // the position after the batch
        bool lost = false;         // the stream fell behind what is kept: it needs a new snapshot
    };
    bool has_pending(StreamId stream) const;
    Batch pending(StreamId stream) const;
    void mark_sent(StreamId stream, std::uint64_t position);
    void restart(StreamId stream);  // a fresh snapshot is due: continue from end() after it

    bool every_stream_sent() const;
    std::size_t open_streams() const { return sent_.size(); }
    bool any_stream_opened() const { return next_stream_ > 1; }

private:
    struct Entry {
        std::string data;
        std::optional<StreamId> not_for;
    };
    // Enough for a burst of list pushes; a page that falls further behind gets a snapshot instead.
    static constexpr std::size_t kKept = 65536;

    std::deque<Entry> entries_;
    std::uint64_t first_ = 0;  // position of entries_.front()
    std::uint64_t end_ = 0;
    std::map<StreamId, std::uint64_t> sent_;
    std::set<StreamId> snapshot_unsent_;
    std::set<StreamId> closed_for_newer_;
    StreamId next_stream_ = 1;
};

}  // namespace platform::movie
