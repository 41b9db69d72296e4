#include "platform/sqlite/guarded_change.h"

#include <stdlib.h>

#include <optional>
#include <utility>
#include <vector>

#include "platform/sys/files_in_use.h"
#include "platform/sys/runtime_folder.h"

namespace platform::sqlite {

namespace {

namespace stdfs = std::filesystem;

// The files SQLite keeps beside a database and reads with it; the shared-memory index is left
// out, as it is built again from the log.
constexpr const char* kCompanions[] = {"", "-wal", "-journal"};

stdfs::path companion(const stdfs::path& file, const char* suffix) { return stdfs::path(file.string() + suffix); }

// The database and its companions as they were, in a private folder that goes with the copy.
class CopyBefore {
public:
    explicit CopyBefore(const stdfs::path& file) : original_(file) {
        std::string pattern = (sys::private_runtime_folder() / "database-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw SqliteError(0, "no private folder for the copy of " + file.string());
        folder_ = pattern;
        for (const char* suffix : kCompanions) {
            const stdfs::path from = companion(original_, suffix);
            if (stdfs::exists(from)) stdfs::copy_file(from, companion(file_in_copy(), suffix));
        }
    }
    ~CopyBefore() {
        std::error_code ignored;
        stdfs::remove_all(folder_, ignored);
    }
    CopyBefore(const CopyBefore&) = delete;
    CopyBefore& operator=(const CopyBefore&) = delete;

    stdfs::path file_in_copy() const { return folder_ / original_.filename(); }

    // Every companion the copy has goes back; the others, and the index, go.
    void restore() const {
        for (const char* suffix : kCompanions) {
            const stdfs::path saved = companion(file_in_copy(), suffix);
            if (stdfs::exists(saved))
                stdfs::copy_file(saved, companion(original_, suffix), stdfs::copy_options::overwrite_existing);
            else stdfs::remove(companion(original_, suffix));
        }
        stdfs::remove(companion(original_, "-shm"));
    }

private:
    stdfs::path original_;
    stdfs::path folder_;
};

// Folds the write-ahead log into the file and leaves it empty; false when a reader of another
// connection keeps it from being emptied. A database without a log has nothing to fold.
bool empty_the_log(Database& db) {
    Statement checkpoint = db.prepare("PRAGMA wal_checkpoint(TRUNCATE)");
    const bool blocked = checkpoint.step() && checkpoint.number(0) != 0;
    checkpoint.run();
    return !blocked;
}

struct Noted {
    RemovedKind kind;
    std::string what;
};

// Open, check, change: the outcome when the change was not made; nullopt once it is committed.
std::optional<ChangeResult> commit_change(Database& db, const Change& change, std::vector<Noted>& noted) {
    // The quick check finds a file too damaged to be worked on; the full one, after the change,
    // finds anything the change itself left wrong.
    const std::string before = db.quick_integrity();
    if (before != "ok") return ChangeResult{ChangeResult::Damaged, before};
    db.execute("PRAGMA secure_delete = ON; PRAGMA temp_store = MEMORY");
    if (!empty_the_log(db)) return ChangeResult{ChangeResult::InUse, {}};
    // A journal kept after a commit would keep the old pages it saved.
    if (db.journal_mode() != "wal") db.execute("PRAGMA journal_mode = DELETE");
    db.execute("BEGIN IMMEDIATE");
    try {
        change(db, [&](RemovedKind kind, std::string what) { noted.push_back({kind, std::move(what)}); });
        db.execute("COMMIT");
    } catch (...) {
        noted.clear();
        try {
            db.execute("ROLLBACK");
        } catch (const SqliteError&) {
            // A statement that failed may have rolled the transaction back already.
        }
        throw;
    }
    return std::nullopt;
}

// VACUUM and an emptied log, then the check; false when anything of it failed.
bool tidy_and_check(Database& db) {
    try {
        db.execute("VACUUM");
        return empty_the_log(db) && db.integrity() == "ok";
    } catch (const SqliteError&) {
        return false;
    }
}

}  // namespace

void note_rows(Database& db, std::string_view query, RemovedKind kind, const std::string& prefix, const Note& note) {
    Statement rows = db.prepare(query);
    while (rows.step()) note(kind, prefix + rows.text(0));
}

ChangeResult change_database(fs::FileSystem& files, std::string_view windows_path, const Change& change) {
    const auto host = files.to_host(windows_path);
    if (!host || !files.exists(windows_path) || files.is_directory(windows_path)) return {ChangeResult::Missing, {}};
    if (!files.may_modify(windows_path) || files.linked_out_of_machine(windows_path)) {
        files.removals().refuse(std::string(windows_path), "outside the machine");
        return {ChangeResult::Refused, {}};
    }
    if (sys::locked_by_another_process(*host)) return {ChangeResult::InUse, {}};

    std::optional<CopyBefore> copy;
    try {
        copy.emplace(*host);
    } catch (const std::exception& error) {
        return {ChangeResult::Failed, error.what()};
    }
    const bool dry = files.removals().dry_run();
    std::vector<Noted> noted;
    bool checked = false;
    try {
        Database db(dry ? copy->file_in_copy() : *host);
        if (auto stopped = commit_change(db, change, noted)) return *stopped;
        checked = tidy_and_check(db);
    } catch (const SqliteError& error) {
        if (error.damaged()) return {ChangeResult::Damaged, error.what()};
        if (error.busy()) return {ChangeResult::InUse, {}};
        return {ChangeResult::Failed, error.what()};
    }
    if (!checked) {
        if (!dry) copy->restore();
        return {ChangeResult::Restored, {}};
    }
    for (auto& one : noted) files.removals().record(one.kind, std::move(one.what), 0);
    return {ChangeResult::Changed, {}};
}

}  // namespace platform::sqlite
