#include "engine/cleaners/firefox_stores.h"

#include "engine/cleaners/kept_cookie_rows.h"

namespace engine {

namespace {

using platform::RemovedKind;
using platform::sqlite::Database;
using platform::sqlite::Note;
using platform::sqlite::note_rows;

// The places a bookmark, a keyword or an annotation refers to, in the columns this version has:
// a condition on moz_places.id.
std::string kept_place_condition(Database& db) {
    std::string condition = "id IN (SELECT fk FROM moz_bookmarks WHERE fk IS NOT NULL)";
    if (db.has_table("moz_keywords") && db.has_column("moz_keywords", "place_id"))
        condition += " OR id IN (SELECT place_id FROM moz_keywords)";
    if (db.has_table("moz_annos")) condition += " OR id IN (SELECT place_id FROM moz_annos)";
    return condition;
}

// Deletes the places outside kept_places. History is most of the places, and the few that stay
// are set aside and put back into the emptied table: SQLite empties a table at once, where it
// would take each row out of every one of the table's indexes. The columns are those a row is
// written with (generated ones left out). A table with triggers of its own is done row by row,
// as putting rows back would set them off.
void delete_unkept_places(Database& db) {
    const std::string triggers =
        db.single_text("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND tbl_name = 'moz_places'");
    if (triggers != "0") {
        db.execute("DELETE FROM moz_places WHERE id NOT IN kept_places");
        return;
    }
    const std::string columns = db.single_text(
        "SELECT group_concat('\"' || replace(name, '\"', '\"\"') || '\"', ', ') FROM pragma_table_info('moz_places')");
    db.execute("CREATE TEMP TABLE set_aside AS SELECT " + columns + " FROM moz_places WHERE id IN kept_places");
    db.execute("DELETE FROM moz_places");
    db.execute("INSERT INTO moz_places (" + columns + ") SELECT " + columns + " FROM set_aside");
    db.execute("DROP TABLE set_aside");
}

}  // namespace

platform::sqlite::Change forget_places_history(std::unordered_set<std::string>& kept_urls) {
    return [&kept_urls](Database& db, const Note& note) {
        kept_urls.clear();
        if (!db.has_table("moz_places")) return;
        db.execute("CREATE TEMP TABLE kept_places(id INTEGER PRIMARY KEY)");
        db.execute("INSERT INTO kept_places SELECT id FROM moz_places WHERE " + kept_place_condition(db));
        const bool has_visits = db.has_table("moz_historyvisits");
        note_rows(db,
                  "SELECT url FROM moz_places WHERE id NOT IN kept_places" +
                      std::string(has_visits ? " OR id IN (SELECT place_id FROM moz_historyvisits)" : "") +
                      " ORDER BY id",
                  RemovedKind::HistoryEntry, {}, note);
        db.empty_tables({"moz_historyvisits", "moz_inputhistory", "moz_places_metadata_search_queries",
                         "moz_places_metadata", "moz_session_to_places", "moz_session_metadata"});
        delete_unkept_places(db);
        for (const char* column : {"visit_count", "typed"})
            if (db.has_column("moz_places", column))
                db.execute(std::string("UPDATE moz_places SET ") + column + " = 0");
        if (db.has_column("moz_places", "last_visit_date")) db.execute("UPDATE moz_places SET last_visit_date = NULL");
        if (db.has_table("moz_origins") && db.has_column("moz_places", "origin_id"))
            db.execute(
                "DELETE FROM moz_origins WHERE id NOT IN (SELECT origin_id FROM moz_places WHERE origin_id IS NOT "
                "NULL)");
        if (db.has_table("moz_favicons") && db.has_column("moz_places", "favicon_id"))
            db.execute(
                "DELETE FROM moz_favicons WHERE id NOT IN (SELECT favicon_id FROM moz_places WHERE favicon_id IS NOT "
                "NULL)");
        db.execute("DROP TABLE kept_places");
        auto urls = db.prepare("SELECT url FROM moz_places");
        while (urls.step()) kept_urls.insert(urls.text(0));
    };
}

platform::sqlite::Change forget_page_icons(const std::unordered_set<std::string>& kept_urls,
                                           const std::string& database) {
    return [&kept_urls, database](Database& db, const Note& note) {
        if (!db.has_table("moz_pages_w_icons") || !db.has_table("moz_icons_to_pages") || !db.has_table("moz_icons"))
            return;
        db.execute("CREATE TEMP TABLE kept_pages(url TEXT PRIMARY KEY)");
        auto insert = db.prepare("INSERT OR IGNORE INTO kept_pages VALUES (?1)");
        for (const auto& url : kept_urls) insert.bind(1, url).run();
        const std::string gone = "SELECT id FROM moz_pages_w_icons WHERE page_url NOT IN kept_pages";
        note_rows(db, "SELECT page_url FROM moz_pages_w_icons WHERE page_url NOT IN kept_pages ORDER BY id",
                  RemovedKind::Record, database + ": ", note);
        db.execute("DELETE FROM moz_icons_to_pages WHERE page_id IN (" + gone + ")");
        db.execute("DELETE FROM moz_pages_w_icons WHERE page_url NOT IN kept_pages");
        db.execute("DELETE FROM moz_icons WHERE id NOT IN (SELECT icon_id FROM moz_icons_to_pages)");
        db.execute("DROP TABLE kept_pages");
    };
}

platform::sqlite::Change forget_cookies(const std::string& database, const CookieKeepList& keep,
                                        std::vector<std::string>& kept) {
    return [database, &keep, &kept](Database& db, const Note& note) {
        if (db.has_table("moz_cookies")) forget_unkept_cookies(db, note, {"moz_cookies", "host"}, keep, database, kept);
    };
}

platform::sqlite::Change forget_form_entries(const std::string& database) {
    return [database](Database& db, const Note& note) {
        if (!db.has_table("moz_formhistory")) return;
        note_rows(db, "SELECT fieldname FROM moz_formhistory ORDER BY id", RemovedKind::Record, database + ": ", note);
        db.empty_tables({"moz_history_to_sources", "moz_sources", "moz_formhistory"});
    };
}

}  // namespace engine
