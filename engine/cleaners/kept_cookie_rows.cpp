#include "engine/cleaners/kept_cookie_rows.h"

namespace engine {

void forget_unkept_cookies(platform::sqlite::Database& db, const platform::sqlite::Note& note, CookieTable cookies,
                           const CookieKeepList& keep, const std::string& database, std::vector<std::string>& kept) {
    kept.clear();
    const std::string table = cookies.table;
    // The list decides in the program, not in SQL: its domain rule is the one every cookie store
    // shares, and a kept row is known by its rowid alone.
    db.execute("CREATE TEMP TABLE kept_cookies(id INTEGER PRIMARY KEY)");
    auto keep_row = db.prepare("INSERT INTO kept_cookies VALUES (?1)");
    auto rows =
        db.prepare("SELECT rowid, " + std::string(cookies.host_column) + ", name FROM " + table + " ORDER BY rowid");
    while (rows.step()) {
        const std::string host = rows.text(1);
        std::string what = database + ": " + host + " " + rows.text(2);
        if (keep.keeps(host)) {
            keep_row.bind(1, rows.number(0)).run();
            kept.push_back(std::move(what));
        } else {
            note(platform::RemovedKind::Record, std::move(what));
        }
    }
    db.execute("DELETE FROM " + table + " WHERE rowid NOT IN kept_cookies");
    db.execute("DROP TABLE kept_cookies");
}

}  // namespace engine
