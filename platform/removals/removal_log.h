#pragma once
// What the destructive operations of a machine removed, or in a dry run would have removed: the
// one list that a preview shows and that a run's totals are counted from. In a dry run every
// operation makes its usual checks (outside the machine, read-only, missing) and then records
// instead of changing anything; the log keeps what it pretended to remove, so that the later
// steps of the same run find it gone, as they would after the real removal.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/removals/folded_path_set.h"

namespace platform {

// Record: a row of a database other than a visit (a cookie, a form entry, a download), named by
// the database file and what the row holds.
enum class RemovedKind { File, Folder, Key, Value, CacheEntry, HistoryEntry, Clipboard, Record };

// "file", "folder", "key", "value", "cache entry", "history entry", "clipboard", "record".
std::string_view kind_name(RemovedKind kind);

struct Removed {
    RemovedKind kind = RemovedKind::File;
    std::string path;   // Windows path, registry path ("HKEY_CURRENT_USER\..."), or URL
    uint64_t size = 0;  // bytes: a file's length, a value's data, the data of a key's values
    std::string group;  // the item of the run that removed it ("ie.cookies"); may be empty
    bool operator==(const Removed&) const = default;
};

// What a run was asked to change and left alone on purpose: a folder or file it never empties,
// removes or overwrites, and why (a text for the user).
struct Refused {
    std::string path;
    std::string reason;
    std::string group;  // the item of the run that asked for it; may be empty
    bool operator==(const Refused&) const = default;
};

// What a run left on purpose because the user asked to keep it (a cookie of a site on the
// cookie keep-list): listed beside the removals, so a preview shows it as kept.
struct Kept {
    std::string path;   // as a removal would have named it
    std::string group;  // the item of the run that kept it; may be empty
    bool operator==(const Kept&) const = default;
};

// A setting a run writes over instead of removing (a registry value such as the switch of
// Internet Explorer's auto-complete): a preview lists it as a change, from what it was to what
// the run makes it.
struct Changed {
    std::string path;    // registry path of the value ("HKEY_CURRENT_USER\...\Append Completion")
    std::string before;  // its data as text; "" when the value did not exist
    std::string after;
    std::string group;   // the item of the run that changed it; may be empty
    bool operator==(const Changed&) const = default;
};

class RemovalLog {
public:
    enum class Mode { Off, Record, DryRun };

    Mode mode() const { return mode_; }
    bool recording() const { return mode_ != Mode::Off; }
    bool dry_run() const { return mode_ == Mode::DryRun; }

    // Starts a new list; what an earlier recording kept is forgotten.
    void start(Mode mode);
    // Ends the recording and hands over its list.
    std::vector<Removed> stop();
    const std::vector<Removed>& removed() const { return removed_; }

    // Nothing happens while nothing is recording.
    void record(RemovedKind kind, std::string path, uint64_t size);
    // Nothing happens while nothing is recording. Kept until the next start, so that what a
    // run refused can still be read after it stopped.
    void refuse(std::string path, std::string reason);
    const std::vector<Refused>& refused() const { return refused_; }
    // Nothing happens while nothing is recording. Kept until the next start, as the refusals are.
    void keep(std::string path);
    const std::vector<Kept>& kept() const { return kept_; }
    // Nothing happens while nothing is recording, nor when the data stays as it was. Kept until
    // the next start, as the refusals are; a second change of the same setting updates the first.
    void change(std::string path, std::string before, std::string after);
    const std::vector<Changed>& changed() const { return changed_; }
    // The item whose removals are recorded from now on.
    void set_group(std::string group) { group_ = std::move(group); }

    // Paths of the drives, compared as Windows compares them (without case).
    // What a dry run pretended to remove: it, and everything below it, reads as missing.
    // may_hold_entries: false only for what cannot have entries below it (a regular file), so
    // that the many files of a preview do not each make every later look-up check its folders.
    void mark_gone(std::string_view windows_path, bool may_hold_entries = true);
    bool gone(std::string_view windows_path) const;
    // A file that did not exist when the recording started and was made during it (the wipe's
    // fill files): its removal is the run's own tidying up, not a trace removed. True, and
    // forgotten, when the path is one.
    void mark_created(std::string_view windows_path);
    bool take_created(std::string_view windows_path);
    // A file's length when the recording first opened it for writing: the shredder overwrites
    // before it deletes, and what was removed is the file as it was.
    void note_length_before_writing(std::string_view windows_path, uint64_t length);
    uint64_t length_before_writing(std::string_view windows_path, uint64_t length_now) const;

private:
    // The few paths a run makes or overwrites, as they were given, hashed and compared without
    // case in place, as the paths that went are.
    struct FoldedHash {
        using is_transparent = void;
        size_t operator()(std::string_view path) const;
    };
    struct FoldedEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    using FoldedPaths = std::unordered_set<std::string, FoldedHash, FoldedEqual>;

    Mode mode_ = Mode::Off;
    std::vector<Removed> removed_;
    std::vector<Refused> refused_;
    std::vector<Kept> kept_;
    std::vector<Changed> changed_;
    std::string group_;
    FoldedPathSet gone_;
    FoldedPathSet gone_holders_;  // those of gone_ that may have had entries below them
    FoldedPaths created_;
    std::unordered_map<std::string, uint64_t, FoldedHash, FoldedEqual> lengths_before_writing_;
};

}  // namespace platform
