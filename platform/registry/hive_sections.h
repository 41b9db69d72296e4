#pragma once
// A hive's text read as a list of "[key]" sections, without building anything: where each section
// lies and what path its key line names, with every value line checked, so that a broken file is
// refused with its line number. The tree is built from the list as it grows. A large file is
// scanned in two stretches side by side: the second, from a key line past its middle, on a thread
// of its own while the first is scanned by the caller.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/registry/reg_text.h"

namespace platform::registry {

class HiveFileReader;

struct Section {
    uint32_t lead_begin = 0;  // blank lines before the key line
    uint32_t head_begin = 0;  // the key line
    uint32_t head_end = 0;    // the first value line; 0: the section has none
    uint32_t path_begin = 0, path_size = 0;  // the key line's path, still escaped
    uint32_t line = 0;        // the key line's number, counted from the stretch's first line as 1
};

struct BrokenLine {
    size_t line = 0;  // counted as Section::line
    std::string message;
};

// Takes a scan's sections as they are found, in order, on the scanning thread, with the text they
// lie in (all that has arrived).
class SectionSink {
public:
    // All but the last section found so far (its first value line may be still to come), taken
    // out of the list.
    virtual void take(std::vector<Section>& found, std::string_view text) = 0;
    // All of them; the last ends at `end`.
    virtual void take_all(std::vector<Section>& found, std::string_view text, size_t end) = 0;

protected:
    ~SectionSink() = default;
};

// Scans a stretch of lines; the cursor's text may still be arriving.
class SectionScan {
public:
    explicit SectionScan(text::LineCursor cursor) : cursor_(cursor) {}

    // Scans until the next line starts at or after stop_at, the text ends, a line is broken, or
    // `cancelled` is set (which is looked at every few dozen kilobytes). May be called again to go
    // on. The sink takes the sections found every few dozen kilobytes, while their lines are still
    // in the processor's cache.
    void run(size_t stop_at, SectionSink* sink = nullptr, const std::atomic<bool>* cancelled = nullptr);
    bool finished() const { return finished_; }  // the text has ended, or a line is broken
    size_t offset() const { return cursor_.offset(); }  // where the next line starts
    size_t lines() const { return cursor_.line_number(); }
    text::LineCursor& cursor() { return cursor_; }

    std::vector<Section>& sections() { return sections_; }
    // Where the blank lines at the end of what was scanned start (they belong to whatever key
    // line follows), or npos.
    size_t blank_tail() const { return blank_run_; }
    const std::optional<BrokenLine>& broken() const { return broken_; }

    static constexpr size_t npos = std::string_view::npos;

private:
    void read_lines(size_t until);
    void read_line(size_t line_begin, std::string_view raw_line);
    void start_section(size_t line_begin, std::string_view line);
    void check_value(size_t line_begin, std::string_view line, size_t content_begin);

    text::LineCursor cursor_;
    std::vector<Section> sections_;
    std::optional<BrokenLine> broken_;
    size_t blank_run_ = npos;
    bool finished_ = false;
};

// Where a scan ahead of a file of that size starts looking for its first key line. Past the
// middle: that scan waits for the reader to get there, so the caller's stretch is the longer one.
constexpr size_t scan_ahead_from(size_t file_size) { return file_size / 5 * 3; }

// Scans the file from the first key line at or after `from`, on a thread of its own, while the
// reader still reads it in. The caller's own scan reaches that line and then takes this one's
// sections; if it does not (a hex value whose continuation swallows the line), it drops this scan
// (which stops it) and goes on alone, so the result is always that of one scan from the top.
// The sink takes its sections on that thread; once the scan has ended, all of them.
class SectionScanAhead {
public:
    SectionScanAhead(HiveFileReader& reader, size_t from, SectionSink& sink);
    ~SectionScanAhead();  // cancels a scan still going
    SectionScanAhead(const SectionScanAhead&) = delete;
    SectionScanAhead& operator=(const SectionScanAhead&) = delete;

    // Waits until the key line to start from is found: its offset, or npos when there is none
    // (or the file could not be read: the caller's own scan then meets the reason).
    size_t start();
    // Waits for the scan to end; the sections the sink did not take are left in it, their lines
    // counted from the start line as 1. nullptr when it could not scan to the end: the caller
    // scans the rest itself.
    SectionScan* finish();

private:
    class Arriving;
    void scan();
    void publish_start(size_t at);

    HiveFileReader& reader_;
    size_t from_;
    SectionSink& sink_;
    std::optional<SectionScan> scan_;
    std::mutex mutex_;
    std::condition_variable started_;
    bool start_known_ = false;
    bool scanned_ = false;  // to the end of the text, or to a broken line
    size_t start_ = SectionScan::npos;
    std::atomic<bool> cancelled_{false};
    std::thread thread_;  // last: it is stopped before the rest goes
};

}  // namespace platform::registry
