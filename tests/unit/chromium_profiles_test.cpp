// The Chromium-family browsers as they lay out their user data today: every profile "Local State"
// names, History with its downloads, Cookies and Network\Cookies, the caches; checked afterwards
// with the sqlite3 program as an independent reader.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "engine/cleaners/chromium.h"
#include "engine/cleaners/installed_applications.h"
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

std::string history_sql(const std::string& tag) {
    const std::string gone = "https://removed-" + tag + ".example/";
    return "CREATE TABLE meta (key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
           "INSERT INTO meta VALUES ('version', '63');"
           "CREATE TABLE urls (id INTEGER PRIMARY KEY AUTOINCREMENT, url LONGVARCHAR, title LONGVARCHAR,"
           " visit_count INTEGER DEFAULT 0 NOT NULL, typed_count INTEGER DEFAULT 0 NOT NULL, last_visit_time INTEGER "
           "NOT NULL,"
           " hidden INTEGER DEFAULT 0 NOT NULL);"
           "CREATE INDEX urls_url_index ON urls (url);"
           "CREATE TABLE visits (id INTEGER PRIMARY KEY AUTOINCREMENT, url INTEGER NOT NULL, visit_time INTEGER NOT "
           "NULL,"
           " from_visit INTEGER, transition INTEGER DEFAULT 0 NOT NULL, segment_id INTEGER);"
           "CREATE TABLE keyword_search_terms (keyword_id INTEGER NOT NULL, url_id INTEGER NOT NULL, term LONGVARCHAR "
           "NOT NULL,"
           " normalized_term LONGVARCHAR NOT NULL);"
           "CREATE TABLE segments (id INTEGER PRIMARY KEY, name VARCHAR, url_id INTEGER NON NULL);"
           "CREATE TABLE segment_usage (id INTEGER PRIMARY KEY, segment_id INTEGER NOT NULL, time_slot INTEGER NOT "
           "NULL,"
           " visit_count INTEGER DEFAULT 0 NOT NULL);"
           "CREATE TABLE downloads (id INTEGER PRIMARY KEY, guid VARCHAR NOT NULL, current_path LONGVARCHAR NOT NULL,"
           " target_path LONGVARCHAR NOT NULL, start_time INTEGER NOT NULL, tab_url VARCHAR);"
           "CREATE TABLE downloads_url_chains (id INTEGER NOT NULL, chain_index INTEGER NOT NULL, url LONGVARCHAR NOT "
           "NULL,"
           " PRIMARY KEY (id, chain_index));"
           "INSERT INTO urls (url, title, visit_count, last_visit_time) VALUES ('" +
           gone +
           "a', 'secret', 2, 1),"
           " ('" +
           gone + "search?q=removed-" + tag +
           "', 'search', 1, 2);"
           "INSERT INTO visits (url, visit_time, segment_id) VALUES (1, 1, 1), (1, 2, 1), (2, 3, NULL);"
           "INSERT INTO keyword_search_terms VALUES (2, 2, 'removed-" +
           tag + "', 'removed-" + tag +
           "');"
           "INSERT INTO segments VALUES (1, 'http://removed-" +
           tag +
           ".example/', 1);"
           "INSERT INTO segment_usage VALUES (1, 1, 0, 2);"
           "INSERT INTO downloads VALUES (1, 'g', 'C:\\dl\\file-" +
           tag + ".zip', 'C:\\dl\\file-" + tag +
           ".zip', 5,"
           " 'https://download-" +
           tag +
           ".example/');"
           "INSERT INTO downloads_url_chains VALUES (1, 0, 'https://download-" +
           tag + ".example/file.zip');";
}

std::string cookies_sql(const std::string& tag) {
    return "CREATE TABLE cookies (creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL, name TEXT NOT NULL,"
           " value TEXT NOT NULL, path TEXT NOT NULL, expires_utc INTEGER NOT NULL);"
           "INSERT INTO cookies VALUES (1, '.removed-" +
           tag + ".example', 'sid', 'removed-" + tag +
           "', '/', 0),"
           " (2, 'www.example.net', 'pref', 'removed-" +
           tag + "', '/', 0);";
}

class ChromiumProfilesTest : public tavrin_test::TraceMachineTest {
protected:
    void SetUp() override {
        if (!tavrin_test::sqlite3_installed()) GTEST_SKIP() << "the sqlite3 program is not installed";
    }
    std::string local() { return platform::inet::user_shell_folder(machine(), "Local AppData"); }
    stdfs::path host(const std::string& windows_path) { return temp.host(windows_path); }
    std::string sql(const std::string& database, const std::string& statements) {
        stdfs::create_directories(host(database).parent_path());
        return tavrin_test::sqlite3_cli(host(database), statements);
    }
    // A profile with its traces marked "removed-<tag>" and its downloads "download-<tag>".
    void lay_out_profile(const std::string& folder, const std::string& cookies, const std::string& cache_folder,
                         const std::string& tag) {
        plant({folder + "\\Preferences", folder + "\\Bookmarks", cache_folder + "\\Cache\\Cache_Data\\f_000001",
               cache_folder + "\\Code Cache\\js\\index", cache_folder + "\\GPUCache\\data_0"});
        sql(folder + "\\History", history_sql(tag));
        sql(folder + "\\" + cookies, cookies_sql(tag));
        // A site to keep, a host below it, and a host that only ends the same way.
        sql(folder + "\\" + cookies, "INSERT INTO cookies VALUES (3, '.bank.example', 'login', 'kept-" + tag +
                                         "', '/', 0), (4, 'login.bank.example', 'token', 'kept-" + tag +
                                         "', '/', 0), (5, 'evilbank.example', 'lure', 'removed-" + tag + "', '/', 0);");
    }
    void run_items(const std::vector<void (engine::Chromium::*)()>& items) {
        engine::Chromium browsers;
        watch(browsers);
        for (auto item : items) (browsers.*item)();
    }
    auto logged(const std::string& part) {
        return std::count_if(log_lines.begin(), log_lines.end(),
                             [&](const std::string& line) { return line.find(part) != std::string::npos; });
    }
};

TEST_F(ChromiumProfilesTest, EveryProfileOfEveryBrowserLosesWhatThePreviewListedAndDownloadsGoOnlyWhenAsked) {
    engine::Browsers detector;
    EXPECT_FALSE(detector.DoesExist("chromium"));
    const std::string chrome = local() + "\\Google\\Chrome\\User Data";
    temp.write_file(chrome + "\\Local State",
                    R"({"profile": {"info_cache": {"Default": {"name": "Person 1"}, "Profile 1": {"name": "Work"},)"
                    R"( "..": {"name": "climbs"}}, "last_used": "Profile 1"}})");
    lay_out_profile(chrome + "\\Default", "Cookies", chrome + "\\Default", "c0");
    lay_out_profile(chrome + "\\Profile 1", "Network\\Cookies", chrome + "\\Profile 1", "c1");
    const std::string edge = local() + "\\Microsoft\\Edge\\User Data";
    temp.write_file(edge + "\\Local State", "{\"profile\": {\"info_cache\": ");  // cut short
    lay_out_profile(edge + "\\Default", "Network\\Cookies", edge + "\\Default", "e0");
    sql(edge + "\\Profile 2\\History", history_sql("e2-unlisted"));
    const std::string opera = app_data() + "\\Opera Software\\Opera Stable";
    lay_out_profile(opera, "Network\\Cookies", local() + "\\Opera Software\\Opera Stable", "o");
    // Brave runs: its lock names this very process.
    const std::string brave = local() + "\\BraveSoftware\\Brave-Browser\\User Data";
    lay_out_profile(brave + "\\Default", "Network\\Cookies", brave + "\\Default", "b");
    char host_name[256] = {};
    gethostname(host_name, sizeof host_name - 1);
    stdfs::create_symlink(std::string(host_name) + "-" + std::to_string(getpid()), host(brave + "\\SingletonLock"));
    EXPECT_TRUE(detector.DoesExist("Chromium"));
    machine().flush();
    const engine::RunKeptCookieSites kept_sites({".bank.example"});

    using C = engine::Chromium;
    const std::vector<void (C::*)()> ticked = {&C::Delete_History, &C::Delete_Cookies, &C::Delete_Cache};
    const auto before = tavrin_test::snapshot(temp.dir());
    std::vector<Removed> would;
    std::vector<platform::Kept> would_keep;
    {
        Recording preview(machine(), RemovalLog::Mode::DryRun);
        run_items(ticked);
        would_keep = machine().removals().kept();
        would = preview.finish();
    }
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(temp.dir())), "");
    Recording run(machine(), RemovalLog::Mode::Record);
    log_lines.clear();
    run_items(ticked);
    const auto kept = machine().removals().kept();
    const auto did = run.finish();
    EXPECT_EQ(describe(would), describe(did));
    EXPECT_EQ(describe(would_keep), describe(kept));
    EXPECT_EQ(kept.size(), 8u);  // two in each of the four profiles cleaned
    EXPECT_NE(describe(did).find("Network\\Cookies: evilbank.example lure"), std::string::npos);
    EXPECT_EQ(logged(edge + "\\Local State"), 1);
    EXPECT_EQ(logged(brave), 3);

    const std::vector<std::pair<std::string, std::string>> cleaned = {{chrome + "\\Default", "Cookies"},
                                                                      {chrome + "\\Profile 1", "Network\\Cookies"},
                                                                      {edge + "\\Default", "Network\\Cookies"},
                                                                      {opera, "Network\\Cookies"}};
    for (const auto& [folder, cookies] : cleaned) {
        EXPECT_EQ(sql(folder + "\\History",
                      "PRAGMA integrity_check; SELECT count(*) FROM urls; SELECT count(*) FROM visits;"
                      "SELECT count(*) FROM keyword_search_terms; SELECT count(*) FROM segments;"
                      "SELECT count(*) FROM segment_usage; SELECT count(*) FROM downloads;"
                      "SELECT value FROM meta;"),
                  "ok\n0\n0\n0\n0\n0\n1\n63")
            << folder;
        EXPECT_EQ(sql(folder + "\\" + cookies,
                      "PRAGMA integrity_check; SELECT group_concat(host_key || ' ' || name) FROM cookies;"),
                  "ok\n.bank.example login,login.bank.example token")
            << folder;
        for (const char* file : {"History", "History-journal"})
            EXPECT_EQ(bytes_of(host(folder + "\\" + file)).find("removed-"), std::string::npos) << folder << file;
        for (const char* removed : {"removed-", "www.example.net", "evilbank"})
            EXPECT_EQ(bytes_of(host(folder + "\\" + cookies)).find(removed), std::string::npos) << folder << removed;
        EXPECT_TRUE(exists(folder + "\\Bookmarks"));
    }
    EXPECT_FALSE(exists(local() + "\\Opera Software\\Opera Stable\\Cache\\Cache_Data\\f_000001"));
    EXPECT_FALSE(exists(chrome + "\\Profile 1\\Code Cache\\js\\index"));
    EXPECT_EQ(sql(edge + "\\Profile 2\\History", "SELECT count(*) FROM urls;"), "2");
    EXPECT_EQ(sql(brave + "\\Default\\History", "SELECT count(*) FROM urls;"), "2");
    EXPECT_TRUE(exists(brave + "\\Default\\GPUCache\\data_0"));

    run_items({&C::Delete_Downloads});
    EXPECT_EQ(sql(chrome + "\\Default\\History",
                  "SELECT count(*) FROM downloads; SELECT count(*) FROM downloads_url_chains;"),
              "0\n0");
    EXPECT_EQ(bytes_of(host(chrome + "\\Default\\History")).find("download-c0"), std::string::npos);
}

TEST_F(ChromiumProfilesTest, TheRealHistoryOfTheCorpusKeepsNoAddressAndStaysSound) {
    const auto corpus = tavrin_test::corpus_file("windows/chrome/History-59.0.3071.86");
    if (!corpus) GTEST_SKIP() << "no corpus of Chrome files (../shared/corpora)";
    const std::string history = local() + "\\Google\\Chrome\\User Data\\Default\\History";
    temp.write_file(history, bytes_of(*corpus));
    const std::string urls = sql(history, "SELECT url FROM urls UNION SELECT url FROM downloads_url_chains;");
    ASSERT_FALSE(urls.empty());

    using C = engine::Chromium;
    run_items({&C::Delete_History, &C::Delete_Downloads});
    EXPECT_EQ(sql(history,
                  "PRAGMA integrity_check; SELECT count(*) FROM urls; SELECT count(*) FROM visits;"
                  "SELECT count(*) FROM downloads;"),
              "ok\n0\n0\n0");
    const std::string bytes = bytes_of(host(history));
    std::istringstream lines(urls);
    for (std::string url; std::getline(lines, url);) EXPECT_EQ(bytes.find(url), std::string::npos) << url;
}

}  // namespace
