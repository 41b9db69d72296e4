// IE against real registry values and files of a temporary machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/cleaners/cleanable_folder.h"
#include "engine/cleaners/ie.h"
#include "engine/cleaners/kept_cookie_sites.h"
#include "engine/cleaners/url_history.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/clock.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/logger.h"
#include "platform/inet/index_dat.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/install.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;
namespace stdfs = std::filesystem;

constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kTypedUrls = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr const char* kTypedBackup = "Software\\lumarq2\\TypedUrls";
constexpr const char* kSavedPasswords = "Software\\Microsoft\\Internet Explorer\\Intelliforms\\SPW";
constexpr const char* kProfile = "C:\\Documents and Settings\\";

std::string read_host(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

class IETest : public tavrin_test::MachineTest {
protected:
    void SetUp() override {
        ie.ShowLog.subscribe([this](std::string& line) { log_lines.push_back(line); });
        ie.HideUrlsDone.subscribe([this] { ++done_events; });
        ie.Error.subscribe([this](std::string& message) { errors.push_back(message); });
    }

    static void set_value(engine::ERegistryClassConstants root, const std::string& key, const std::string& name,
                          const engine::Variant& value, engine::ERegistryValueTypes type = engine::REG_SZ) {
        engine::cRegistry reg;
        reg.ValueEx(root, key, name, type, engine::Variant(), value);
    }
    static engine::Variant get_value(engine::ERegistryClassConstants root, const std::string& key, const std::string& name,
                                     engine::ERegistryValueTypes* type = nullptr) {
        engine::cRegistry reg;
        auto value = reg.ValueEx(root, key, name, engine::REG_NONE, engine::Variant());
        if (type) *type = reg.ValueType();
        return value;
    }
    std::string shell_folder(const std::string& name) {
        return platform::inet::user_shell_folder(machine(), name);
    }
    std::string todays_log() {
        auto day = engine::now();
        auto path = temp.host(engine::log_file_path(day.year, day.month, day.day));
        return stdfs::exists(path) ? read_host(path) : std::string();
    }
    bool exists(const std::string& windows_path) { return stdfs::exists(temp.host(windows_path)); }

    engine::IE ie;
    std::vector<std::string> log_lines;
    std::vector<std::string> errors;
    int done_events = 0;
};

TEST_F(IETest, FillReadsTheFourFoldersAndLeavesMissingOnesEmpty) {
    set_value(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer", "Download Directory", "C:\\Downloads");
    auto folders = ie.fill_IE_type();
    EXPECT_EQ(folders.CacheDir, shell_folder("Cache"));
    EXPECT_EQ(folders.HistoryDir, shell_folder("History"));
    EXPECT_EQ(folders.CookiesDir, shell_folder("Cookies"));
    EXPECT_NE(folders.CookiesDir, "");
    EXPECT_EQ(folders.DownloadDir, "C:\\Downloads");

    engine::cRegistry reg;
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey(kShellFolders);
    reg.ValueKey("Cookies");
    reg.DeleteValue();
    EXPECT_EQ(engine::IE().fill_IE_type().CookiesDir, "");
}

TEST_F(IETest, CacheListJoinsUrlsInOrderAndDeletesEntriesWithTheirFiles) {
    EXPECT_EQ(ie.get_cache_list(), "");
    auto cache = platform::inet::user_url_cache(machine());
    auto first = cache.add("http://one.example/a.gif", "a");
    cache.add("http://two.example/", "b");
    auto third = cache.add("http://three.example/c.css", "c");

    std::string list = ie.get_cache_list();
    EXPECT_EQ(split(list, "||"),
              (std::vector<std::string>{"http://one.example/a.gif", "http://two.example/", "http://three.example/c.css"}));
    // Held open, the copy shows what became of its bytes: shredded, not only unlinked.
    std::ifstream held(temp.host(first.local_file), std::ios::binary);
    ie.delete_cache_entry("http://one.example/a.gif");
    ie.delete_cache_entry("http://not-cached.example/");
    EXPECT_FALSE(exists(first.local_file));
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(held), {}), "a");
    EXPECT_TRUE(exists(third.local_file));
    EXPECT_EQ(engine::IE().get_cache_list(), "http://two.example/||http://three.example/c.css");
}

TEST_F(IETest, CacheEntryOutsideTheMachineFolderIsRefused) {
    auto outside = temp.dir().parent_path() / (temp.dir().filename().string() + "-outside");
    stdfs::create_directories(outside);
    stdfs::create_directory_symlink(outside, temp.dir() / "dosdevices" / "x:");
    temp.reopen();
    set_value(HKEY_CURRENT_USER, kShellFolders, "Cache", "X:\\Cache");
    {
        engine::IE outside_ie;
        stdfs::create_directories(outside / "Cache");
        auto index = platform::inet::IndexDat::create(platform::inet::IndexDat::kWindowsSignature, {});
        index.add({.url = "http://a.example/x.htm", .local_name = "x.htm", .size = 1});
        stdfs::create_directories(outside / "Cache" / "Content.IE5");
        std::ofstream(outside / "Cache" / "Content.IE5" / "index.dat", std::ios::binary) << index.bytes();
        std::ofstream(outside / "Cache" / "Content.IE5" / "x.htm") << "x";
        ASSERT_EQ(outside_ie.get_cache_list(), "http://a.example/x.htm");
        EXPECT_ANY_THROW(outside_ie.delete_cache_entry("http://a.example/x.htm"));
        // A run's step passes over what it may not delete.
        EXPECT_NO_THROW(engine::delete_cache_entries(outside_ie));
        EXPECT_EQ(engine::IE().get_cache_list(), "http://a.example/x.htm");
        EXPECT_TRUE(stdfs::exists(outside / "Cache" / "Content.IE5" / "x.htm"));
    }
    stdfs::remove_all(outside);
}

TEST_F(IETest, CookiesShredsTextFilesAndTheirRecordsAndKeepsFolders) {
    std::string cookies = shell_folder("Cookies");
    temp.write_file(cookies + "\\someone@one.example[1].txt", "id=1");
    temp.write_file(cookies + "\\Low\\someone@two.example[1].txt", "id=2");
    platform::inet::user_cookie_index(machine())
        ->add({.url = "Cookie:someone@one.example/", .local_name = "someone@one.example[1].txt", .size = 4}, {});
    ie.Remove_Cookies();
    EXPECT_FALSE(exists(cookies + "\\someone@one.example[1].txt"));
    EXPECT_FALSE(exists(cookies + "\\Low\\someone@two.example[1].txt"));
    const std::string index = read_host(temp.host(cookies + "\\index.dat"));
    EXPECT_TRUE(platform::inet::IndexDat(index).records().empty());
    EXPECT_EQ(index.find("one.example"), std::string::npos);
    EXPECT_TRUE(exists(cookies + "\\Low"));
    // Each shredded file reaches the log window and the day's log file.
    EXPECT_EQ(log_lines.size(), 2u);
    EXPECT_NE(todays_log().find("someone@two.example[1].txt"), std::string::npos);
}

// The keep-list's cookies stay, files and records: a file by its index record (Wine names the
// files at random) or, where the index does not know it, by its name. A preview lists them as kept
// and the rest as removed, and the clean removes what the preview listed.
TEST_F(IETest, CookiesOfKeptSitesStayAndThePreviewListsThemAsKept) {
    const std::string cookies = shell_folder("Cookies");
    for (const char* file : {"K3Q8Z1AB.txt", "someone@www.bank.example[1].txt", "someone@ads.example[1].txt",
                             "Low\\someone@evilbank.example[1].txt"})
        temp.write_file(cookies + "\\" + file, "id=1");
    auto index = platform::inet::user_cookie_index(machine());
    index->add({.url = "Cookie:someone@bank.example/", .local_name = "K3Q8Z1AB.txt", .size = 4}, {});
    index->add({.url = "Cookie:someone@ads.example/", .local_name = "someone@ads.example[1].txt", .size = 4}, {});
    engine::save_cookie_keep_list(engine::CookieKeepList({".bank.example"}));

    std::vector<platform::Removed> previewed;
    std::vector<platform::Kept> kept;
    {
        platform::Recording preview(machine(), platform::RemovalLog::Mode::DryRun);
        engine::IE().Remove_Cookies();
        previewed = preview.finish();
        kept = machine().removals().kept();
    }
    std::vector<std::string> kept_paths;
    for (const auto& one : kept) kept_paths.push_back(one.path);
    std::sort(kept_paths.begin(), kept_paths.end());
    EXPECT_EQ(kept_paths, (std::vector<std::string>{cookies + "\\K3Q8Z1AB.txt", cookies + "\\someone@www.bank.example[1].txt",
                                                    "Cookie:someone@bank.example/"}));
    std::vector<platform::Removed> removed;
    {
        platform::Recording clean(machine(), platform::RemovalLog::Mode::Record);
        engine::IE().Remove_Cookies();
        removed = clean.finish();
    }
    EXPECT_EQ(removed, previewed);
    EXPECT_TRUE(exists(cookies + "\\K3Q8Z1AB.txt"));
    EXPECT_TRUE(exists(cookies + "\\someone@www.bank.example[1].txt"));
    EXPECT_FALSE(exists(cookies + "\\someone@ads.example[1].txt"));
    EXPECT_FALSE(exists(cookies + "\\Low\\someone@evilbank.example[1].txt"));
    const auto records = platform::inet::IndexDat(read_host(temp.host(cookies + "\\index.dat"))).records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].url, "Cookie:someone@bank.example/");
    EXPECT_NE(todays_log().find("Cookie:someone@bank.example/"), std::string::npos);
}

TEST_F(IETest, MissingOrEmptyShellFolderValuesShredNothing) {
    std::string program_file = std::string(platform::kProgramFolder) + "\\keep.txt";
    temp.write_file(program_file, "program");
    temp.write_file("C:\\root.txt", "root");
    temp.write_file("C:\\WINDOWS\\win.txt", "windows");
    for (const std::string& bad : std::vector<std::string>{"", "C:", "C:\\", "\\", "Cookies", "C:\\Program Files", "C:\\WINDOWS\\..\\WINDOWS",
                            std::string(platform::kProgramFolder) + "\\"}) {
        set_value(HKEY_CURRENT_USER, kShellFolders, "Cookies", bad);
        set_value(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer", "Download Directory", bad);
        engine::IE().Remove_Cookies();
        {
            // Walked file by file with a keep-list, the folder is held to the same rule.
            const engine::RunKeptCookieSites kept({"kept.example"});
            engine::IE().Remove_Cookies();
        }
        EXPECT_ANY_THROW(engine::IE().CleanDownloadDirectory()) << bad;
    }
    EXPECT_TRUE(exists(program_file));
    EXPECT_TRUE(exists("C:\\root.txt"));
    EXPECT_TRUE(exists("C:\\WINDOWS\\win.txt"));
    EXPECT_TRUE(log_lines.empty());
}

TEST_F(IETest, CleanableFolderGuard) {
    EXPECT_FALSE(engine::may_clean_folder(""));
    EXPECT_FALSE(engine::may_clean_folder("\\temp"));
    EXPECT_FALSE(engine::may_clean_folder("D:\\"));
    EXPECT_FALSE(engine::may_clean_folder("c:\\program files\\orvane"));
    EXPECT_FALSE(engine::may_clean_folder("C:\\WINDOWS\\"));
    EXPECT_FALSE(engine::may_clean_folder("C:\\Documents and Settings\\x\\..\\.."));
    EXPECT_TRUE(engine::may_clean_folder("C:\\WINDOWS\\Temp"));
    EXPECT_TRUE(engine::may_clean_folder(std::string(platform::kProgramFolder) + "\\Backups\\IEfav"));
    EXPECT_TRUE(engine::may_clean_folder("C:\\Program Files Old"));
}

TEST_F(IETest, DownloadFolderIsEmptiedButKept) {
    std::string downloads = std::string(kProfile) + "someone\\My Downloads";
    set_value(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer", "Download Directory", downloads);
    temp.write_file(downloads + "\\setup.exe", "MZ");
    temp.write_file(downloads + "\\music\\song.mp3", "ID3");
    ie.CleanDownloadDirectory();
    EXPECT_TRUE(exists(downloads));
    EXPECT_FALSE(exists(downloads + "\\setup.exe"));
    EXPECT_FALSE(exists(downloads + "\\music\\song.mp3"));
}

TEST_F(IETest, HomePageAndAutoComplete) {
    ie.SetHomePage("http://start.example/");
    EXPECT_EQ(engine::IE().GetHomePage(), "http://start.example/");
    ie.DisableAutoComplete();
    const char* auto_complete = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete";
    EXPECT_EQ(get_value(HKEY_CURRENT_USER, auto_complete, "Append Completion").to_text(), "no");
    ie.EnableAutoComplete();
    EXPECT_EQ(get_value(HKEY_CURRENT_USER, auto_complete, "Append Completion").to_text(), "yes");
}

TEST_F(IETest, CleanTypedUrlsDeletesAndAnnouncesEachWithoutBackup) {
    set_value(HKEY_CURRENT_USER, kTypedUrls, "url1", "http://one.example/");
    set_value(HKEY_CURRENT_USER, kTypedUrls, "url2", "http://two.example/");
    ie.CleanTypedUrls();
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedUrls).empty());
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedBackup).empty());
    EXPECT_EQ(log_lines, (std::vector<std::string>{"HKEY_CURRENT_USER\\" + std::string(kTypedUrls) + "\\url1",
                                                   "HKEY_CURRENT_USER\\" + std::string(kTypedUrls) + "\\url2"}));
    EXPECT_EQ(done_events, 1);
    EXPECT_NE(todays_log().find(std::string(kTypedUrls) + "\\url2"), std::string::npos);
}

TEST_F(IETest, TypedUrlsHideShowRoundTrip) {
    set_value(HKEY_CURRENT_USER, kTypedUrls, "url1", "http://one.example/");
    set_value(HKEY_CURRENT_USER, kTypedUrls, "url2", "http://two.example/?q=50%25");
    // Each original goes only once its backup is there.
    std::vector<bool> backed_up_before_delete;
    ie.ShowLog.subscribe([&](std::string& line) {
        std::string name = line.substr(line.rfind('\\') + 1);
        backed_up_before_delete.push_back(!get_value(HKEY_CURRENT_USER, kTypedBackup, name).is_empty());
    });
    ie.HideTypedUrls();
    EXPECT_EQ(backed_up_before_delete, (std::vector<bool>{true, true}));
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedUrls).empty());

    // Hiding again finds nothing and keeps the backup.
    engine::IE().HideTypedUrls();
    EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedBackup).size(), 2u);

    for (int round = 0; round < 2; ++round) {
        engine::IE().ShowTypedUrls();
        EXPECT_EQ(get_value(HKEY_CURRENT_USER, kTypedUrls, "url1").to_text(), "http://one.example/");
        EXPECT_EQ(get_value(HKEY_CURRENT_USER, kTypedUrls, "url2").to_text(), "http://two.example/?q=50%25");
        EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedBackup).size(), 2u);
    }
    EXPECT_EQ(done_events, 1);
}

TEST_F(IETest, ShowWithoutHideRestoresNothing) {
    ie.ShowTypedUrls();
    ie.Showpasswords();
    ie.ShowFavorites();
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedUrls).empty());
    EXPECT_TRUE(tavrin_test::value_names(HKEY_LOCAL_MACHINE, kSavedPasswords).empty());
    EXPECT_EQ(done_events, 2);
    EXPECT_EQ(errors, (std::vector<std::string>{"No previous backup found"}));
    EXPECT_TRUE(exists(shell_folder("Favorites")));
}

TEST_F(IETest, PasswordsHideShowRoundTripKeepsBinaryData) {
    engine::Bytes secret{0x01, 0x00, 0xFF, 0x7A, 0x00};
    set_value(HKEY_LOCAL_MACHINE, kSavedPasswords, "form1", secret, engine::REG_BINARY);
    set_value(HKEY_LOCAL_MACHINE, kSavedPasswords, "form2", "plain");
    ie.HidePasswords();
    EXPECT_TRUE(tavrin_test::value_names(HKEY_LOCAL_MACHINE, kSavedPasswords).empty());
    EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, "Software\\lumarq2\\passwords").size(), 2u);
    EXPECT_EQ(log_lines.size(), 2u);

    engine::IE().Showpasswords();
    engine::ERegistryValueTypes type{};
    auto restored = get_value(HKEY_LOCAL_MACHINE, kSavedPasswords, "form1", &type);
    ASSERT_TRUE(restored.is_bytes());
    EXPECT_EQ(std::get<engine::Bytes>(restored), secret);
    EXPECT_EQ(type, engine::REG_BINARY);
    EXPECT_EQ(get_value(HKEY_LOCAL_MACHINE, kSavedPasswords, "form2").to_text(), "plain");
}

TEST_F(IETest, FavoritesHideShowRoundTrip) {
    std::string favorites = shell_folder("Favorites");
    temp.write_file(favorites + "\\Tavrin.url", "[InternetShortcut]\r\nURL=http://tavrin.example/\r\n");
    temp.write_file(favorites + "\\Links\\News.url", "[InternetShortcut]\r\nURL=http://news.example/\r\n");
    ie.HideFavorites();
    EXPECT_FALSE(exists(favorites));
    std::string backup = std::string(platform::kProgramFolder) + "\\Backups\\IEfav";
    EXPECT_TRUE(exists(backup + "\\Links\\News.url"));

    engine::IE().ShowFavorites();
    EXPECT_EQ(read_host(temp.host(favorites + "\\Links\\News.url")), "[InternetShortcut]\r\nURL=http://news.example/\r\n");
    EXPECT_TRUE(exists(favorites + "\\Tavrin.url"));
    EXPECT_FALSE(exists(backup));  // the backup is consumed
    EXPECT_TRUE(errors.empty());
}

TEST_F(IETest, FavoritesStayWhenTheBackupCannotBeMade) {
    std::string favorites = shell_folder("Favorites");
    temp.write_file(favorites + "\\Tavrin.url", "[InternetShortcut]");
    // A file where the backup folder belongs makes the copy fail.
    temp.write_file(std::string(platform::kProgramFolder) + "\\Backups", "in the way");
    ie.HideFavorites();
    EXPECT_TRUE(exists(favorites + "\\Tavrin.url"));
    EXPECT_NE(todays_log().find(favorites), std::string::npos);
    ASSERT_EQ(log_lines.size(), 1u);
    EXPECT_NE(log_lines[0].find(favorites), std::string::npos);
}

TEST_F(IETest, CleanHistoryEmptiesTheHistory) {
    auto history = platform::inet::user_url_history(machine());
    history.add("http://one.example/", "One", 0);
    history.add("http://two.example/", "Two", 0);
    ie.CleanHistory();
    EXPECT_TRUE(platform::inet::user_url_history(machine()).entries().empty());
}

TEST_F(IETest, UrlHistoryClassListsASnapshotUntilRefreshed) {
    engine::CURLHistory history;
    EXPECT_EQ(history.Count(), 0);
    history.AddURL("http://one.example/", "One", 0);
    history.AddURL("http://two.example/page", "Two", 0);
    EXPECT_EQ(history.Count(), 0);
    history.Refresh();
    ASSERT_EQ(history.Count(), 2);
    EXPECT_EQ(history.Item(2)->Title(), "Two");
    EXPECT_EQ(history.Item(1)->LastVisited(), history.Item(1)->LastVisited());
    EXPECT_THROW(history.Item(0), engine::EngineError);
    EXPECT_THROW(history.Item(3), engine::EngineError);

    history.Refresh("http://TWO.");
    ASSERT_EQ(history.Count(), 1);
    history.Remove(1);
    EXPECT_EQ(history.Count(), 0);
    history.Refresh();
    EXPECT_EQ(history.Count(), 1);

    history.DeleteURL("http://one.example/", 0);
    EXPECT_EQ(history.Count(), 0);
    history.AddURL("http://three.example/", "Three", 0);
    history.Clear();
    EXPECT_EQ(history.Count(), 0);
    EXPECT_TRUE(platform::inet::user_url_history(machine()).entries().empty());
}

}  // namespace
