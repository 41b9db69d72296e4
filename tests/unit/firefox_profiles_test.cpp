// Firefox as it is laid out today: profiles.ini with an [Install...] section, every profile's
// places, cookies and form databases, its session store and the caches of its Local AppData twin,
// checked afterwards with the sqlite3 program as an independent reader.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "engine/cleaners/firefox.h"
#include "engine/cleaners/kept_cookie_sites.h"
#include "platform/machine/machine.h"
#include "tests/unit/support/corpora.h"
#include "tests/unit/support/folder_snapshot.h"
#include "tests/unit/support/removal_text.h"
#include "tests/unit/support/sqlite_cli.h"
#include "tests/unit/support/trace_machine.h"

namespace {

namespace stdfs = std::filesystem;
using platform::Recording;
using platform::RemovalLog;
using platform::Removed;
using tavrin_test::bytes_of;
using tavrin_test::describe;

// A places.sqlite of today's schema plus a column and a table of a later version. Place 1 is
// bookmarked and visited, 2 has a keyword, 3 an annotation; 4 and 5 only history refers to.
std::string places_sql(const std::string& tag) {
    const std::string gone = "https://removed-" + tag + ".example/";
    return "PRAGMA journal_mode=WAL;"
           "CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL, frecency "
           "INTEGER);"
           "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR,"
           " visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL,"
           " frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0,"
           " url_hash INTEGER DEFAULT 0, origin_id INTEGER REFERENCES moz_origins(id), later_column TEXT);"
           "CREATE UNIQUE INDEX moz_places_url_uniqueindex ON moz_places (url);"
           "CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER,"
           " visit_date INTEGER, visit_type INTEGER, session INTEGER, source INTEGER DEFAULT 0, triggeringPlaceId "
           "INTEGER);"
           "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,"
           " position INTEGER, title LONGVARCHAR, keyword_id INTEGER, guid TEXT UNIQUE);"
           "CREATE TABLE moz_keywords (id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE, place_id INTEGER, "
           "post_data TEXT);"
           "CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, anno_attribute_id INTEGER, "
           "content LONGVARCHAR);"
           "CREATE TABLE moz_inputhistory (place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL, use_count INTEGER,"
           " PRIMARY KEY (place_id, input));"
           "CREATE TABLE moz_later_feature (id INTEGER PRIMARY KEY, note TEXT);"
           "INSERT INTO moz_later_feature VALUES (1, 'stays');"
           "INSERT INTO moz_origins VALUES (1, 'https://', 'kept.example', 9), (2, 'https://', 'removed-" +
           tag +
           ".example', 9);"
           "INSERT INTO moz_places (id, url, title, visit_count, origin_id) VALUES"
           " (1, 'https://kept.example/bookmarked', 'kept', 1, 1), (2, 'https://kept.example/keyword', 'kept', 0, 1),"
           " (3, 'https://kept.example/annotated', 'kept', 0, 1), (4, '" +
           gone +
           "visited', 'secret', 2, 2),"
           " (5, '" +
           gone +
           "unvisited', 'secret', 0, 2);"
           "INSERT INTO moz_historyvisits (from_visit, place_id, visit_date) VALUES (0, 1, 10), (0, 4, 11), (2, 4, 12);"
           "INSERT INTO moz_bookmarks (id, type, fk, parent, title, guid) VALUES (1, 2, NULL, 0, 'root', 'r'),"
           " (2, 1, 1, 1, 'a bookmark', 'b');"
           "INSERT INTO moz_keywords (keyword, place_id) VALUES ('kw', 2);"
           "INSERT INTO moz_annos (place_id, anno_attribute_id, content) VALUES (3, 1, 'note');"
           "INSERT INTO moz_inputhistory VALUES (4, 'removed-" +
           tag + "', 1);" +
           // A trigger of a later version, which a place written again would set off.
           (tag == "b" ? "CREATE TRIGGER later_trigger AFTER INSERT ON moz_places"
                         " BEGIN INSERT INTO moz_later_feature (note) VALUES ('set off'); END;"
                       : "");
}

std::string favicons_sql(const std::string& tag) {
    return "PRAGMA journal_mode=WAL;"
           "CREATE TABLE moz_icons (id INTEGER PRIMARY KEY, icon_url TEXT NOT NULL, root INTEGER NOT NULL DEFAULT 0, "
           "data BLOB);"
           "CREATE TABLE moz_pages_w_icons (id INTEGER PRIMARY KEY, page_url TEXT NOT NULL, page_url_hash INTEGER);"
           "CREATE TABLE moz_icons_to_pages (page_id INTEGER NOT NULL, icon_id INTEGER NOT NULL,"
           " PRIMARY KEY (page_id, icon_id)) WITHOUT ROWID;"
           "INSERT INTO moz_icons VALUES (1, 'https://kept.example/icon.png', 0, x'00'),"
           " (2, 'https://removed-" +
           tag +
           ".example/icon.png', 0, x'00');"
           "INSERT INTO moz_pages_w_icons VALUES (1, 'https://kept.example/bookmarked', 0),"
           " (2, 'https://removed-" +
           tag +
           ".example/visited', 0);"
           "INSERT INTO moz_icons_to_pages VALUES (1, 1), (2, 2);";
}

std::string cookies_sql(const std::string& tag) {
    return "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT,"
           " value TEXT, host TEXT, path TEXT, expiry INTEGER, isSecure INTEGER, isHttpOnly INTEGER);"
           "INSERT INTO moz_cookies (name, value, host, path) VALUES ('sid', 'removed-" +
           tag +
           "', '.example.org', '/'),"
           " ('pref', 'removed-" +
           tag + "', 'www.example.net', '/');";
}

std::string forms_sql(const std::string& tag) {
    return "CREATE TABLE moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT NOT NULL, value TEXT NOT NULL,"
           " timesUsed INTEGER, firstUsed INTEGER, lastUsed INTEGER, guid TEXT);"
           "INSERT INTO moz_formhistory (fieldname, value) VALUES ('q', 'removed-" +
           tag + "');";
}

class FirefoxProfilesTest : public tavrin_test::TraceMachineTest {
protected:
    void SetUp() override {
        if (!tavrin_test::sqlite3_installed()) GTEST_SKIP() << "the sqlite3 program is not installed";
    }
    std::string roaming() { return app_data() + "\\Mozilla\\Firefox"; }
    std::string local() { return platform::inet::user_shell_folder(machine(), "Local AppData") + "\\Mozilla\\Firefox"; }
    stdfs::path host(const std::string& windows_path) { return temp.host(windows_path); }
    std::string sql(const std::string& database, const std::string& statements) {
        stdfs::create_directories(host(database).parent_path());
        return tavrin_test::sqlite3_cli(host(database), statements);
    }
    // A profile as Firefox 120 leaves it, each of its traces marked "removed-<tag>".
    void lay_out_profile(const std::string& relative, const std::string& tag) {
        const std::string folder = roaming() + "\\" + relative, twin = local() + "\\" + relative;
        plant({folder + "\\prefs.js", folder + "\\sessionstore.jsonlz4",
               folder + "\\sessionstore-backups\\recovery.jsonlz4", twin + "\\cache2\\entries\\3F2A",
               twin + "\\startupCache\\scriptCache.bin"});
        sql(folder + "\\places.sqlite", places_sql(tag));
        sql(folder + "\\favicons.sqlite", favicons_sql(tag));
        sql(folder + "\\cookies.sqlite", cookies_sql(tag));
        sql(folder + "\\formhistory.sqlite", forms_sql(tag));
    }
    // Cookies of a site to keep, of a host below it, and of a host that only ends the same way.
    void add_cookies_of_kept_site(const std::string& relative, const std::string& tag) {
        sql(roaming() + "\\" + relative + "\\cookies.sqlite",
            "PRAGMA journal_mode=WAL; INSERT INTO moz_cookies (name, value, host, path) VALUES ('login', 'kept-" + tag +
                "', '.bank.example', '/'), ('token', 'kept-" + tag +
                "', 'login.bank.example', '/'),"
                " ('lure', 'removed-" +
                tag + "', 'evilbank.example', '/');");
    }
    void write_profiles_ini(const std::string& text) { temp.write_file(roaming() + "\\profiles.ini", text); }
    void clean_everything() {
        engine::FireFox fox;
        watch(fox);
        fox.Delete_History();
        fox.Delete_Cache();
        fox.Delete_Cookies();
        fox.Delete_Form_History();
    }
};

TEST_F(FirefoxProfilesTest, EveryProfileLosesItsHistoryCookiesFormsAndCachesAsThePreviewListedAndKeepsItsBookmarks) {
    // A byte-order mark and CR LF, as an editor on Windows may leave them.
    write_profiles_ini(
        "\xEF\xBB\xBF[Install308046B0AF4A39CB]\r\nDefault=Profiles/b.default-release\r\nLocked=1\r\n\r\n"
        "[Profile1]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/b.default-release\r\n\r\n"
        "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/a.default\r\nDefault=1\r\n\r\n"
        "[General]\r\nStartWithLastProfile=1\r\nVersion=2\r\n");
    lay_out_profile("Profiles\\a.default", "a");
    lay_out_profile("Profiles\\b.default-release", "b");
    add_cookies_of_kept_site("Profiles\\a.default", "a");
    add_cookies_of_kept_site("Profiles\\b.default-release", "b");
    machine().flush();
    const engine::RunKeptCookieSites kept_sites({".bank.example"});

    const auto before = tavrin_test::snapshot(temp.dir());
    std::vector<Removed> would;
    std::vector<platform::Kept> would_keep;
    {
        Recording preview(machine(), RemovalLog::Mode::DryRun);
        clean_everything();
        would_keep = machine().removals().kept();
        would = preview.finish();
    }
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(temp.dir())), "");
    Recording run(machine(), RemovalLog::Mode::Record);
    clean_everything();
    const auto kept = machine().removals().kept();
    const auto did = run.finish();
    EXPECT_EQ(describe(would), describe(did));
    EXPECT_EQ(describe(would_keep), describe(kept));
    EXPECT_EQ(kept.size(), 4u);
    EXPECT_NE(describe(kept).find(roaming() + "\\Profiles\\a.default\\cookies.sqlite: login.bank.example token\n"),
              std::string::npos);
    // The databases are named in the log only for the cookies they kept.
    for (const auto& line : log_lines) {
        if (line.find("bank.example") == std::string::npos) {
            EXPECT_EQ(line.find(".sqlite"), std::string::npos) << line;
        }
    }

    for (const std::string tag : {"a", "b"}) {
        const std::string folder = roaming() + (tag == "a" ? "\\Profiles\\a.default" : "\\Profiles\\b.default-release");
        const std::string twin = local() + (tag == "a" ? "\\Profiles\\a.default" : "\\Profiles\\b.default-release");
        const std::string places = folder + "\\places.sqlite";
        EXPECT_NE(describe(did).find("history entry https://removed-" + tag + ".example/unvisited"), std::string::npos);
        EXPECT_EQ(
            sql(places,
                "PRAGMA integrity_check; SELECT count(*) FROM moz_historyvisits; SELECT count(*) FROM moz_inputhistory;"
                "SELECT group_concat(id) FROM (SELECT id FROM moz_places ORDER BY id); SELECT count(*) FROM "
                "moz_bookmarks;"
                "SELECT sum(visit_count) FROM moz_places; SELECT group_concat(host) FROM moz_origins;"
                "SELECT note FROM moz_later_feature;"),
            "ok\n0\n0\n1,2,3\n2\n0\nkept.example\nstays");
        EXPECT_EQ(sql(folder + "\\favicons.sqlite",
                      "PRAGMA integrity_check; SELECT group_concat(icon_url) FROM moz_icons;"
                      "SELECT group_concat(page_url) FROM moz_pages_w_icons;"),
                  "ok\nhttps://kept.example/icon.png\nhttps://kept.example/bookmarked");
        EXPECT_EQ(sql(folder + "\\cookies.sqlite",
                      "PRAGMA integrity_check; SELECT group_concat(host || ' ' || value) FROM moz_cookies;"),
                  "ok\n.bank.example kept-" + tag + ",login.bank.example kept-" + tag);
        EXPECT_EQ(sql(folder + "\\formhistory.sqlite", "PRAGMA integrity_check; SELECT count(*) FROM moz_formhistory;"),
                  "ok\n0");
        // Nothing removed is left in the files' bytes or in a log beside them.
        for (const char* name : {"places.sqlite", "favicons.sqlite", "cookies.sqlite", "formhistory.sqlite"}) {
            for (const char* suffix : {"", "-wal", "-journal"})
                EXPECT_EQ(bytes_of(host(folder + "\\" + name + suffix)).find("removed-" + tag), std::string::npos)
                    << name << suffix;
        }
        for (const char* suffix : {"", "-wal"})
            for (const char* removed_host : {"www.example.net", "evilbank"})
                EXPECT_EQ(bytes_of(host(folder + "\\cookies.sqlite" + suffix)).find(removed_host), std::string::npos)
                    << removed_host << suffix;
        EXPECT_FALSE(exists(folder + "\\sessionstore.jsonlz4"));
        EXPECT_FALSE(exists(folder + "\\sessionstore-backups\\recovery.jsonlz4"));
        EXPECT_FALSE(exists(twin + "\\cache2\\entries\\3F2A"));
        EXPECT_FALSE(exists(twin + "\\startupCache\\scriptCache.bin"));
        EXPECT_TRUE(exists(folder + "\\prefs.js"));
    }
}

TEST_F(FirefoxProfilesTest, TheRealPlacesFileOfTheCorpusKeepsItsHundredAndOneBookmarks) {
    const auto corpus = tavrin_test::corpus_file("windows/firefox/places.sqlite");
    if (!corpus) GTEST_SKIP() << "no corpus of Firefox files (../shared/corpora)";
    write_profiles_ini("[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/x.default\n");
    const std::string places = roaming() + "\\Profiles\\x.default\\places.sqlite";
    temp.write_file(places, bytes_of(*corpus));
    const std::string removed_urls =
        sql(places,
            "SELECT url FROM moz_places WHERE id NOT IN (SELECT fk FROM moz_bookmarks WHERE fk IS NOT NULL)"
            " AND id NOT IN (SELECT place_id FROM moz_annos)");
    ASSERT_FALSE(removed_urls.empty());

    engine::FireFox fox;
    fox.Delete_History();
    EXPECT_EQ(
        sql(places,
            "PRAGMA integrity_check; SELECT count(*) FROM moz_bookmarks; SELECT count(*) FROM moz_historyvisits;"),
        "ok\n101\n0");
    const std::string bytes = bytes_of(host(places));
    std::istringstream urls(removed_urls);
    for (std::string url; std::getline(urls, url);) EXPECT_EQ(bytes.find(url), std::string::npos) << url;
}

TEST_F(FirefoxProfilesTest, TheRealCookieFileOfTheCorpusKeepsTheKeptDomainAlone) {
    const auto corpus = tavrin_test::corpus_file("windows/firefox/firefox_2_cookies.sqlite");
    if (!corpus) GTEST_SKIP() << "no corpus of Firefox files (../shared/corpora)";
    write_profiles_ini("[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/x.default\n");
    const std::string cookies = roaming() + "\\Profiles\\x.default\\cookies.sqlite";
    temp.write_file(cookies, bytes_of(*corpus));
    const std::string kept_rows = sql(cookies, "SELECT count(*) FROM moz_cookies WHERE host LIKE '%theonion.com';");
    const std::string removed_hosts =
        sql(cookies, "SELECT DISTINCT ltrim(host, '.') FROM moz_cookies WHERE host NOT LIKE '%theonion.com';");
    ASSERT_NE(kept_rows, "0");
    ASSERT_FALSE(removed_hosts.empty());

    const engine::RunKeptCookieSites kept_sites({".theonion.com"});
    engine::FireFox().Delete_Cookies();
    EXPECT_EQ(sql(cookies,
                  "PRAGMA integrity_check; SELECT count(*) FROM moz_cookies;"
                  "SELECT count(*) FROM moz_cookies WHERE host NOT LIKE '%theonion.com';"),
              "ok\n" + kept_rows + "\n0");
    const std::string bytes = bytes_of(host(cookies));
    std::istringstream hosts(removed_hosts);
    for (std::string removed; std::getline(hosts, removed);)
        EXPECT_EQ(bytes.find(removed), std::string::npos) << removed;
}

TEST_F(FirefoxProfilesTest, OddProfileListsBrokenOrHeldDatabasesAndARunningFirefoxAreLeftAsTheyAre) {
    // Duplicate names, an Install section naming a profile that is not listed, a profile twice,
    // an absolute path on the machine's drive and one on a drive the machine does not have.
    write_profiles_ini(
        "[Install1]\nDefault=Profiles/missing\n[Profile0]\nName=same\nPath=Profiles/damaged\n"
        "[Profile1]\nName=same\nPath=Profiles/held\n[Profile2]\nName=again\nPath=profiles/HELD\n"
        "[Profile3]\nName=running\nPath=Profiles/running\n[Profile4]\nName=abs\nIsRelative=0\nPath=C:\\FirefoxProfile\n"
        "[Profile5]\nName=away\nIsRelative=0\nPath=Q:\\away\n");
    const std::string damaged = roaming() + "\\Profiles\\damaged\\places.sqlite";
    temp.write_file(damaged, "this is no database, removed-d");
    const std::string held = roaming() + "\\Profiles\\held\\cookies.sqlite";
    sql(held, cookies_sql("h"));
    const std::string running = roaming() + "\\Profiles\\running";
    sql(running + "\\cookies.sqlite", cookies_sql("r"));
    plant({running + "\\parent.lock"});
    sql("C:\\FirefoxProfile\\formhistory.sqlite", forms_sql("abs"));
    sql(roaming() + "\\Profiles\\damaged\\formhistory.sqlite",
        "CREATE TABLE moz_formhistory (id INTEGER PRIMARY KEY,"
        " fieldname TEXT, value TEXT);");  // empty: nothing to do

    // Firefox holds parent.lock of its profile, and another program a write lock on a database.
    const int lock_fd = open(host(running + "\\parent.lock").c_str(), O_RDONLY);
    ASSERT_GE(lock_fd, 0);
    ASSERT_EQ(flock(lock_fd, LOCK_EX), 0);
    const stdfs::path ready = temp.dir() / "locker-ready";
    const std::string locker =
        "(printf 'BEGIN EXCLUSIVE;\\n.print ready\\n.shell sleep 2\\nCOMMIT;\\n' | sqlite3 -batch '" +
        host(held).string() + "' > '" + ready.string() + "' 2>&1) &";
    ASSERT_EQ(std::system(locker.c_str()), 0);
    for (int tries = 0; tries < 100 && bytes_of(ready).find("ready") == std::string::npos; ++tries) usleep(20000);

    engine::FireFox fox;
    watch(fox);
    fox.Delete_History();
    fox.Delete_Cookies();
    fox.Delete_Form_History();
    flock(lock_fd, LOCK_UN);
    close(lock_fd);

    auto logged = [&](const std::string& part) {
        return std::count_if(log_lines.begin(), log_lines.end(),
                             [&](const std::string& line) { return line.find(part) != std::string::npos; });
    };
    EXPECT_EQ(bytes_of(host(damaged)), "this is no database, removed-d");
    EXPECT_EQ(logged(damaged), 1);
    EXPECT_EQ(logged(held), 1);  // the same profile listed twice is cleaned once
    EXPECT_EQ(logged(running), 3);
    EXPECT_EQ(sql(running + "\\cookies.sqlite", "SELECT count(*) FROM moz_cookies;"), "2");
    EXPECT_EQ(sql("C:\\FirefoxProfile\\formhistory.sqlite", "SELECT count(*) FROM moz_formhistory;"), "0");
    usleep(200000);
    for (int tries = 0; tries < 100 && sql(held, "SELECT count(*) FROM moz_cookies;") != "2"; ++tries) usleep(50000);
    EXPECT_EQ(sql(held, "SELECT count(*) FROM moz_cookies;"), "2");
}

}  // namespace
