#include "platform/movie/event_log.h"

#include <algorithm>

namespace platform::movie {

void EventLog::append(std::string data, std::optional<StreamId> not_for) {
    entries_.push_back(Entry{std::move(data), not_for});
    ++end_;
    if (entries_.size() > kKept) {
        entries_.pop_front();
        ++first_;
    }
}

StreamId EventLog::open_stream() {
    if (sent_.size() >= kMostStreams) {
        const StreamId oldest = sent_.begin()->first;
        close_stream(oldest);
        closed_for_newer_.insert(oldest);
    }
    StreamId stream = next_stream_++;
    sent_[stream] = end_;
    snapshot_unsent_.insert(stream);
    return stream;
}

void EventLog::snapshot_sent(StreamId stream) {
    snapshot_unsent_.erase(stream);
}

void EventLog::close_stream(StreamId stream) {
    sent_.erase(stream);
    snapshot_unsent_.erase(stream);
    closed_for_newer_.erase(stream);
}

bool EventLog::has_pending(StreamId stream) const {
    auto found = sent_.find(stream);
    return found == sent_.end() || found->second < end_;
}

EventLog::Batch EventLog::pending(StreamId stream) const {
    auto found = sent_.find(stream);
    if (found == sent_.end()) return Batch{"", end_, true};
    std::uint64_t from = found->second;
    if (from < first_) return Batch{"", end_, true};
    Batch batch{"", end_, false};
    for (std::uint64_t position = from; position < end_; ++position) {
        const Entry& entry = entries_[position - first_];
        if (entry.not_for == stream) continue;
        batch.text += "data: ";
        batch.text += entry.data;
        batch.text += "\n\n";
    }
    return batch;
}

void EventLog::mark_sent(StreamId stream, std::uint64_t position) {
    auto found = sent_.find(stream);
    if (found != sent_.end()) found->second = std::max(found->second, position);
}

void EventLog::restart(StreamId stream) {
    sent_[stream] = end_;
    snapshot_unsent_.insert(stream);
}

bool EventLog::every_stream_sent() const {
    return snapshot_unsent_.empty() &&
           std::all_of(sent_.begin(), sent_.end(), [this](const auto& stream) { return stream.second >= end_; });
}

}  // namespace platform::movie
