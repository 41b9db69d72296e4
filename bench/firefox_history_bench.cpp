// The Firefox history clean of a profile against what the sqlite3 program takes to delete the same
// visits and VACUUM, side by side: a places.sqlite of 20,000 places, 100,000 visits and 1,000
// bookmarks (with Firefox's indexes, in WAL mode), copied afresh before every turn of either side.
// Usage: firefox_history_bench [--dir DIR] [--rounds N]
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "bench/side_by_side.h"
#include "engine/cleaners/firefox.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace {

namespace fs = std::filesystem;

constexpr double kTarget = 1.5;

constexpr const char* kPlacesSql = R"(
PRAGMA journal_mode=WAL;
CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL, frecency INTEGER NOT NULL,
  UNIQUE (prefix, host));
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR,
  visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL,
  frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL,
  url_hash INTEGER DEFAULT 0 NOT NULL, description TEXT, preview_image_url TEXT, origin_id INTEGER REFERENCES moz_origins(id));
CREATE INDEX moz_places_url_hashindex ON moz_places (url_hash);
CREATE INDEX moz_places_hostindex ON moz_places (rev_host);
CREATE INDEX moz_places_visitcount ON moz_places (visit_count);
CREATE INDEX moz_places_frecencyindex ON moz_places (frecency);
CREATE INDEX moz_places_lastvisitdateindex ON moz_places (last_visit_date);
CREATE UNIQUE INDEX moz_places_guid_uniqueindex ON moz_places (guid);
CREATE INDEX moz_places_originidindex ON moz_places (origin_id);
CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER, visit_date INTEGER,
  visit_type INTEGER, session INTEGER, source INTEGER DEFAULT 0 NOT NULL, triggeringPlaceId INTEGER);
CREATE INDEX moz_historyvisits_placedateindex ON moz_historyvisits (place_id, visit_date);
CREATE INDEX moz_historyvisits_fromindex ON moz_historyvisits (from_visit);
CREATE INDEX moz_historyvisits_dateindex ON moz_historyvisits (visit_date);
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,
  position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER, lastModified INTEGER,
  guid TEXT UNIQUE, syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT NULL DEFAULT 1);
CREATE INDEX moz_bookmarks_itemindex ON moz_bookmarks (fk, type);
CREATE INDEX moz_bookmarks_parentindex ON moz_bookmarks (parent, position);
CREATE TABLE moz_keywords (id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE, place_id INTEGER, post_data TEXT);
CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, anno_attribute_id INTEGER, content LONGVARCHAR,
  flags INTEGER DEFAULT 0, expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0, dateAdded INTEGER DEFAULT 0,
  lastModified INTEGER DEFAULT 0);
CREATE TABLE moz_inputhistory (place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL, use_count INTEGER,
  PRIMARY KEY (place_id, input));
BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500)
INSERT INTO moz_origins SELECT i, 'https://', 'site' || i || '.example', 100 FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000)
INSERT INTO moz_places (id, url, title, rev_host, visit_count, frecency, last_visit_date, guid, url_hash, origin_id)
SELECT i, 'https://site' || (i % 500 + 1) || '.example/page/' || i || '?q=' || hex(randomblob(8)),
  'The title of page ' || i, 'elpmaxe.' || (i % 500 + 1) || 'etis.', 5, 100, 1700000000000000 + i,
  hex(randomblob(6)), i, i % 500 + 1 FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000)
INSERT INTO moz_historyvisits (from_visit, place_id, visit_date, visit_type, session)
SELECT i - 1, i % 20000 + 1, 1700000000000000 + i * 1000, 1, 0 FROM n;
INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, guid) VALUES (1, 2, NULL, 0, 0, 'root', 'root________');
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000)
INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, guid)
SELECT i + 1, 1, i * 20, 1, i, 'Bookmark ' || i, hex(randomblob(6)) FROM n;
COMMIT;
)";

bool shell(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

int run(const fs::path& base, int rounds) {
    const fs::path dir = base / "tavrin-bench-firefox";
    fs::remove_all(dir);
    fs::create_directories(dir);
    auto machine = platform::Machine::open_or_create(dir / "machine");
    platform::install_program_folder(*machine, fs::path(__FILE__).parent_path().parent_path() / "skin");
    std::optional<platform::CurrentMachineScope> current;
    current.emplace(*machine);
    const std::string firefox = platform::inet::user_shell_folder(*machine, "AppData") + "\\Mozilla\\Firefox";
    const fs::path profile = *machine->files().to_host(firefox + "\\Profiles\\bench.default-release");
    fs::create_directories(profile);
    machine->files().write_text(
        firefox + "\\profiles.ini",
        "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/bench.default-release\r\n");

    const fs::path original = dir / "original.sqlite", copy = dir / "copy.sqlite";
    const fs::path script = dir / "places.sql";
    std::ofstream(script) << kPlacesSql;
    if (!shell("sqlite3 -batch " + quoted(original) + " < " + quoted(script) + " > /dev/null")) {
        std::cerr << "the sqlite3 program is needed (Debian's sqlite3)\n";
        return 1;
    }
    std::cout << "places.sqlite of " << fs::file_size(original) / 1024 << " KB: 20,000 places, 100,000 visits, "
              << "1,000 bookmarks; " << rounds << " rounds; load " << bench::load_average() << "\n";

    const auto prepare = [&](bool measured) {
        const fs::path target = measured ? profile / "places.sqlite" : copy;
        fs::copy_file(original, target, fs::copy_options::overwrite_existing);
        shell("sync");
    };
    const auto result = bench::side_by_side(
        rounds, [] { engine::FireFox().Delete_History(); },
        [&] { shell("sqlite3 -batch " + quoted(copy) + " 'DELETE FROM moz_historyvisits; VACUUM' > /dev/null"); },
        prepare);
    const double ratio = bench::median(result.ratios);
    std::cout << "history clean: median " << bench::median(result.measured) << " s\n"
              << "sqlite3 DELETE FROM moz_historyvisits; VACUUM: median " << bench::median(result.baseline) << " s\n"
              << "ratio " << ratio << " (median of the rounds' ratios; processor time "
              << bench::median(result.processor_ratios) << "; target <= " << kTarget << ")"
              << (ratio <= kTarget ? "" : "  ABOVE TARGET") << "\n";

    current.reset();
    machine.reset();
    fs::remove_all(dir);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path dir = fs::temp_directory_path();
    int rounds = 7;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--dir") dir = argv[i + 1];
        else if (flag == "--rounds") rounds = std::atoi(argv[i + 1]);
    }
    return run(dir, rounds);
}
