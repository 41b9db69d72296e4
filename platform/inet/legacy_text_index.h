#pragma once
// The text index an earlier version of this program kept its demo URL cache and history in
// (legacy_index.h): read, and records erased from it, never written anew.
//
// Format (one record per line, LF-terminated, fields separated by TAB):
//
//     TAVRIN-INDEX 1 <kind>                        header, <kind> is "cache" or "history"
//     +<TAB>key<TAB>field 1<TAB>...<TAB>field N    one record
//     <spaces>                                     an erased record
//
// Inside keys and fields a backslash, TAB, CR and LF are written as \\, \t, \r and \n.
// Erasing a record overwrites its line in place with spaces: a privacy tool must not leave the
// URL it was asked to remove in the file, as a tombstone line would. A later line for the same
// key wins. A line that does not parse (wrong field count, bad escape, unknown marker) is skipped
// when reading: damage costs the damaged entry, never the index.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/fs/fs.h"

namespace platform::inet {

class LegacyTextIndex {
public:
    struct Record {
        std::string key;
        std::vector<std::string> fields;
    };

    // path: Windows path of the index file; kind names it in the header; every record of this
    // index has exactly field_count fields after its key.
    LegacyTextIndex(fs::FileSystem& files, std::string path, std::string kind, size_t field_count);
    LegacyTextIndex(const LegacyTextIndex&) = delete;
    LegacyTextIndex& operator=(const LegacyTextIndex&) = delete;
    LegacyTextIndex(LegacyTextIndex&&) = default;
    LegacyTextIndex& operator=(LegacyTextIndex&&) = delete;

    const std::string& path() const { return path_; }

    // Live records in the order of their lines: a replaced record counts as the newest.
    std::vector<Record> records();
    // The same records shown one by one, for a caller that keeps only part of each.
    void for_each_record(const std::function<void(const Record&)>& visit);
    // false when no record has that key.
    bool erase(std::string_view key);
    // Erases the records of many keys in one pass: the file is looked at once, before the first,
    // and stays open while their lines are blanked one by one, so that a crash midway leaves every
    // line either whole or blank. FsError, before any `may_erase`, when the file cannot be written. `may_erase` runs for each record found just before its line
    // goes, and keeps the record by returning false; `erased` hears of each record once its line
    // is gone, and may take it over. Keys without a record are passed over. Returns how many
    // records went.
    size_t erase_all(std::span<const std::string> keys, const std::function<bool(const Record&)>& may_erase,
                     const std::function<void(Record&&)>& erased);
    // Leaves an index with no records and no damaged lines.
    void clear();
    // Lines of the file that could not be read (header included when it is damaged).
    size_t unreadable_lines();

private:
    struct Line {
        uint64_t offset = 0;  // in the file
        size_t length = 0;    // without the LF
    };
    struct Slot {
        Record record;
        Line line;
        // Older lines for the same key that another writer left behind (a later line wins): they
        // hold the same URL, so they go whenever this record goes.
        std::vector<Line> shadowed;
    };

    // The slot of the live record of that key.
    std::optional<size_t> live_slot(std::string_view key) const;
    // Reads the file again when it changed size since our last read or write, or always.
    void refresh(bool always = false);
    void reset();
    void load(std::string text);
    // `key` kept where slot_of_ can point at it until the next read.
    std::string_view kept_key(std::string_view key);
    void read_line(std::string_view line, uint64_t offset);
    void blank_out(fs::File& file, const Slot& slot);
    void blank_out(fs::File& file, const Line& line);
    std::string header() const;

    fs::FileSystem& files_;
    std::string path_;
    std::string kind_;
    size_t field_count_;

    std::vector<std::optional<Slot>> slots_;  // in line order; nullopt once erased or replaced
    // The file as last read: the keys of slot_of_ point into it where a line spells its key
    // without escapes, and into kept_keys_ otherwise, so reading a large index copies no key a
    // second time for its look-up. Both stay where they are when the index is moved, and an
    // index is never copied, so those keys always point at live text.
    std::unique_ptr<const std::string> text_;
    std::deque<std::string> kept_keys_;
    // Keys to their slots. An erased record's key stays until the next read names a slot that
    // is gone: erasing a whole cache then costs no look-up of each key a second time.
    std::unordered_map<std::string_view, size_t> slot_of_;
    std::vector<std::string> unreadable_;
    size_t live_ = 0;
    // The file's size after our last read or write; a different size means someone else
    // appended or rewrote it.
    std::optional<uint64_t> known_size_;
    std::string spaces_;  // what an erased line is overwritten with
    bool loaded_ = false;
};

}  // namespace platform::inet
