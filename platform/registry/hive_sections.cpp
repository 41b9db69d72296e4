#include "platform/registry/hive_sections.h"

#include <limits>

#include "platform/registry/hive_file.h"

namespace platform::registry {
namespace {

uint32_t offset32(size_t offset) { return static_cast<uint32_t>(offset); }

// Small enough that the lines of the sections handed over are still in the processor's cache.
constexpr size_t hand_over_every = 64 << 10;

}  // namespace

void SectionScan::run(size_t stop_at, SectionSink* sink, const std::atomic<bool>* cancelled) {
    while (!finished_ && cursor_.offset() < stop_at) {
        if (cancelled && cancelled->load(std::memory_order_relaxed)) return;
        read_lines(std::min(stop_at, cursor_.offset() + hand_over_every));
        if (sink && !finished_ && cursor_.offset() < stop_at) sink->take(sections_, cursor_.buffer());
    }
}

// The lines up to `until`, with nothing else asked between them.
void SectionScan::read_lines(size_t until) {
    try {
        while (cursor_.offset() < until) {
            if (cursor_.at_end()) {
                finished_ = true;
                return;
            }
            const size_t line_begin = cursor_.offset();
            read_line(line_begin, cursor_.next_line());
        }
    } catch (const text::FormatError& error) {
        broken_ = BrokenLine{std::max<size_t>(cursor_.line_number(), 1), error.what()};
        finished_ = true;
    }
}

// Inline, like check_value: a call per line was a noticeable share of a large load.
inline void SectionScan::read_line(size_t line_begin, std::string_view raw_line) {
    const std::string_view line = text::trim_left(raw_line);
    if (line.empty()) {
        if (blank_run_ == npos) blank_run_ = line_begin;
        return;
    }
    switch (line[0]) {
    case '[':
        start_section(line_begin, line);
        break;
    case '"':
    case '@':
        check_value(line_begin, line, line_begin + (raw_line.size() - line.size()));
        break;
    default:
        break;  // options, comments and lines we do not understand stay where they are, as text
    }
    blank_run_ = npos;
}

void SectionScan::start_section(size_t line_begin, std::string_view line) {
    const std::string_view path = text::key_line_path(line);
    Section& section = sections_.emplace_back();
    section.lead_begin = offset32(blank_run_ == npos ? line_begin : blank_run_);
    section.head_begin = offset32(line_begin);
    section.path_begin = offset32(static_cast<size_t>(path.data() - cursor_.buffer().data()));
    section.path_size = offset32(path.size());
    section.line = static_cast<uint32_t>(cursor_.line_number());
}

inline void SectionScan::check_value(size_t line_begin, std::string_view line, size_t content_begin) {
    if (sections_.empty()) throw text::FormatError("value outside of any key");
    if (!sections_.back().head_end) sections_.back().head_end = offset32(line_begin);
    text::parse_value(cursor_, content_begin, line);
}

// The reader's text as it arrives, for a cursor on the scanning thread.
class SectionScanAhead::Arriving : public text::ArrivingText {
public:
    explicit Arriving(HiveFileReader& reader) : reader_(reader) {}
    std::string_view arrived_beyond(size_t size) override { return reader_.arrived_beyond(size); }

private:
    HiveFileReader& reader_;
};

SectionScanAhead::SectionScanAhead(HiveFileReader& reader, size_t from, SectionSink& sink)
    : reader_(reader), from_(from), sink_(sink) {
    try {
        thread_ = std::thread([this] { scan(); });
    } catch (const std::system_error&) {
        publish_start(SectionScan::npos);  // no thread to spare: the caller scans it all
    }
}

SectionScanAhead::~SectionScanAhead() {
    cancelled_ = true;
    if (thread_.joinable()) thread_.join();
}

void SectionScanAhead::scan() {
    Arriving arriving(reader_);
    try {
        text::LineCursor cursor(reader_.arrived_beyond(from_), from_, &arriving);
        if (!cursor.at_end()) cursor.next_line();  // the rest of the line `from` is in
        while (!cursor.at_end() && !cancelled_) {
            const size_t at = cursor.offset();
            if (cursor.next_line().starts_with('[')) {
                scan_.emplace(text::LineCursor(cursor.buffer(), at, &arriving));
                publish_start(at);
                scan_->run(std::numeric_limits<size_t>::max(), &sink_, &cancelled_);
                scanned_ = scan_->finished();
                if (scanned_) sink_.take_all(scan_->sections(), scan_->cursor().buffer(), scan_->offset());
                return;
            }
        }
    } catch (...) {
        // The file could not be read (the caller's own read meets the reason) or there was no
        // memory: the caller scans the rest itself.
        scanned_ = false;
    }
    publish_start(SectionScan::npos);
}

void SectionScanAhead::publish_start(size_t at) {
    {
        const std::lock_guard lock(mutex_);
        if (start_known_) return;
        start_known_ = true;
        start_ = at;
    }
    started_.notify_all();
}

size_t SectionScanAhead::start() {
    std::unique_lock lock(mutex_);
    started_.wait(lock, [&] { return start_known_; });
    return start_;
}

SectionScan* SectionScanAhead::finish() {
    if (thread_.joinable()) thread_.join();
    return scanned_ ? &*scan_ : nullptr;
}

}  // namespace platform::registry
