#include "engine/cleaners/chromium_stores.h"

#include "engine/cleaners/kept_cookie_rows.h"

namespace engine {

namespace {

using platform::RemovedKind;
using platform::sqlite::Database;
using platform::sqlite::Note;
using platform::sqlite::note_rows;

}  // namespace

platform::sqlite::Change forget_chromium_history() {
    return [](Database& db, const Note& note) {
        if (!db.has_table("urls")) return;
        note_rows(db, "SELECT url FROM urls ORDER BY id", RemovedKind::HistoryEntry, {}, note);
        db.empty_tables({"visits", "visit_source", "keyword_search_terms", "segment_usage", "segments", "visited_links",
                         "content_annotations", "context_annotations", "clusters", "clusters_and_visits",
                         "cluster_keywords", "cluster_visit_duplicates", "urls"});
    };
}

platform::sqlite::Change forget_chromium_downloads(const std::string& database) {
    return [database](Database& db, const Note& note) {
        if (!db.has_table("downloads")) return;
        const char* column = db.has_column("downloads", "target_path") ? "target_path" : "id";
        note_rows(db, std::string("SELECT ") + column + " FROM downloads ORDER BY id", RemovedKind::Record,
                  database + ": ", note);
        db.empty_tables({"downloads_url_chains", "downloads_slices", "downloads"});
    };
}

platform::sqlite::Change forget_chromium_cookies(const std::string& database, const CookieKeepList& keep,
                                                 std::vector<std::string>& kept) {
    return [database, &keep, &kept](Database& db, const Note& note) {
        if (db.has_table("cookies")) forget_unkept_cookies(db, note, {"cookies", "host_key"}, keep, database, kept);
    };
}

}  // namespace engine
