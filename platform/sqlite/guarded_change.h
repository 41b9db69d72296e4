#pragma once
// A change to a database file of the machine (a browser's history, cookies, form entries) that is
// made whole and checked, or not made at all. The file must pass PRAGMA quick_check first; its
// write-ahead log is folded in and emptied; freed pages are overwritten (secure_delete is switched
// on here, whatever the library's default); the change runs in one transaction; VACUUM and another
// emptied log leave no removed row in the file or beside it; and a file that fails PRAGMA
// integrity_check afterwards is put back from the copy taken before. A file another program holds
// is left alone.
//
// A dry run makes the same change on a copy in the user's private folder, so that a preview lists
// exactly what the clean would remove, and the machine's file is not touched.
#include <functional>
#include <string>
#include <string_view>

#include "platform/fs/fs.h"
#include "platform/removals/removal_log.h"
#include "platform/sqlite/database.h"

namespace platform::sqlite {

// Tells what the change removes: recorded for the run once the change is made and checked.
using Note = std::function<void(RemovedKind kind, std::string what)>;
using Change = std::function<void(Database& db, const Note& note)>;

struct ChangeResult {
    enum Outcome {
        Changed,   // made, checked, and its removals recorded
        Missing,   // no such file: nothing to change
        Refused,   // outside the machine or through a link out of it: recorded as refused
        InUse,     // another program holds the file: left as it was
        Damaged,   // not a database, or it failed its check before: left as it was
        Failed,    // the change could not be made (`detail` says why): rolled back
        Restored,  // the file failed its check after the change: the copy taken before is back
    } outcome;
    std::string detail;
};

// Notes every row of the query: its first column, after `prefix`.
void note_rows(Database& db, std::string_view query, RemovedKind kind, const std::string& prefix, const Note& note);

ChangeResult change_database(fs::FileSystem& files, std::string_view windows_path, const Change& change);

}  // namespace platform::sqlite
