// The machine's URL cache and URL history on a real temporary machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/inet/filetime.h"
#include "platform/inet/index_file.h"
#include "platform/inet/url_cache.h"
#include "platform/inet/url_history_store.h"
#include "platform/machine/machine.h"
#include "platform/removals/removal_log.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using platform::inet::IndexFile;
using platform::inet::UrlCache;
using platform::inet::UrlHistory;

constexpr const char* kCache = "C:\\Cache Test";
constexpr const char* kHistory = "C:\\History Test";

std::string read_host(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class UrlStoreTest : public tavrin_test::MachineTest {
protected:
    platform::fs::FileSystem& files() { return machine().files(); }
    std::string cache_index_text() { return read_host(temp.host(std::string(kCache) + "\\urlcache.idx")); }
};

std::vector<std::string> urls_of(const std::vector<platform::inet::CacheEntry>& entries) {
    std::vector<std::string> urls;
    for (const auto& entry : entries) urls.push_back(entry.source_url);
    return urls;
}

TEST_F(UrlStoreTest, CacheKeepsEntriesInOrderAndRemovesCopyThenRecord) {
    UrlCache cache(files(), kCache);
    auto a = cache.add("http://a.example/logo.gif", "GIF89a");
    auto b = cache.add("http://b.example/", "<html>");
    auto c = cache.add("http://c.example/x.js?v=2", "var x;");
    EXPECT_EQ(urls_of(cache.entries()),
              (std::vector<std::string>{"http://a.example/logo.gif", "http://b.example/", "http://c.example/x.js?v=2"}));
    EXPECT_EQ(read_host(temp.host(a.local_file)), "GIF89a");
    EXPECT_EQ(b.size, 6u);

    EXPECT_TRUE(cache.remove("http://b.example/"));
    EXPECT_FALSE(cache.remove("http://b.example/"));
    EXPECT_FALSE(std::filesystem::exists(temp.host(b.local_file)));
    EXPECT_TRUE(std::filesystem::exists(temp.host(c.local_file)));

    // A new reader (the next run of the program) sees the same cache.
    UrlCache again(files(), std::string(kCache) + "\\");
    EXPECT_EQ(urls_of(again.entries()), (std::vector<std::string>{"http://a.example/logo.gif", "http://c.example/x.js?v=2"}));
    // The removed URL is not left behind in the index.
    EXPECT_EQ(cache_index_text().find("b.example"), std::string::npos);
}

TEST_F(UrlStoreTest, CacheReplacesEntryOfSameUrlAndKeepsNamesApart) {
    UrlCache cache(files(), kCache);
    auto first = cache.add("http://a.example/img/pic.png", "one");
    auto other = cache.add("http://b.example/pic.png", "two");
    EXPECT_NE(first.local_file, other.local_file);
    cache.add("http://a.example/img/pic.png", "three");
    auto entries = cache.entries();
    ASSERT_EQ(entries.size(), 2u);
    // The replaced entry is the most recent one now.
    EXPECT_EQ(entries[1].source_url, "http://a.example/img/pic.png");
    EXPECT_EQ(entries[1].size, 5u);
    EXPECT_EQ(read_host(temp.host(entries[1].local_file)), "three");
    size_t copies = 0;  // the replaced copy is gone, not orphaned
    for (auto& item : std::filesystem::recursive_directory_iterator(temp.host(kCache)))
        copies += item.is_regular_file() && item.path().filename() != "urlcache.idx";
    EXPECT_EQ(copies, 2u);
}

TEST_F(UrlStoreTest, EmptyOrMissingCacheHasNoEntries) {
    UrlCache missing(files(), kCache);
    EXPECT_TRUE(missing.entries().empty());
    EXPECT_FALSE(missing.remove("http://a.example/"));

    // A missing Shell Folders value gives an empty folder name: it must not mean "here".
    UrlCache unnamed(files(), "");
    EXPECT_TRUE(unnamed.entries().empty());
    EXPECT_FALSE(unnamed.remove("http://a.example/"));
    EXPECT_THROW(unnamed.add("http://a.example/", "x"), platform::fs::FsError);
    UrlCache relative(files(), "Temporary Internet Files");
    EXPECT_THROW(relative.add("http://a.example/", "x"), platform::fs::FsError);
}

TEST_F(UrlStoreTest, DamagedIndexSkipsUnreadableLinesAndKeepsThem) {
    temp.write_file("C:\\Windows Test\\win.ini", "[windows]");
    temp.write_file(std::string(kCache) + "\\Content.IE5\\AB\\good[1].htm", "good");
    temp.write_file(std::string(kCache) + "\\urlcache.idx",
                    "TAVRIN-INDEX 1 cache\n"
                    "+\thttp://good.example/\tContent.IE5\\\\AB\\\\good[1].htm\t4\t1\n"
                    "this line is garbage\n"
                    "+\thttp://short.example/\tonly-two-fields\t4\n"
                    "+\thttp://escape.example/\tbad\\qescape\t4\t1\n"
                    "+\thttp://forged.example/\t..\\\\..\\\\Windows Test\\\\win.ini\t9\t1\n"
                    "+\thttp://size.example/\tContent.IE5\\AB\\x\tbig\t1\n"
                    "+\thttp://cut.example/\tContent.IE5\\AB\\c");  // cut short by a crash
    UrlCache cache(files(), kCache);
    EXPECT_EQ(urls_of(cache.entries()), (std::vector<std::string>{"http://good.example/"}));
    EXPECT_EQ(cache.unreadable_records(), 6u);

    // A forged record never makes the cache delete a file outside the cache folder.
    EXPECT_TRUE(cache.remove("http://forged.example/"));
    EXPECT_TRUE(std::filesystem::exists(temp.host("C:\\Windows Test\\win.ini")));

    // Writing after the cut line starts a fresh line, so the new record is readable.
    cache.add("http://new.example/a.htm", "new");
    EXPECT_TRUE(cache.remove("http://good.example/"));
    UrlCache again(files(), kCache);
    EXPECT_EQ(urls_of(again.entries()), (std::vector<std::string>{"http://new.example/a.htm"}));
    EXPECT_NE(cache_index_text().find("this line is garbage"), std::string::npos);
}

// Another writer (or a crash between an append and the blanking of the line it replaced) can leave
// two lines for one URL. Removing the URL must take every one of them: a removed address that
// comes back from an older line was never removed.
TEST_F(UrlStoreTest, ARemovedUrlDoesNotComeBackFromAnOlderLineOfTheSameUrl) {
    const std::string index = std::string(kHistory) + "\\urlhistory.idx";
    temp.write_file(index,
                    "TAVRIN-INDEX 1 history\n"
                    "+\thttp://secret.example/\tOld visit\t1\t1\t1\t2\n"
                    "+\thttp://kept.example/\tKept\t1\t1\t1\t2\n"
                    "+\thttp://secret.example/\tNewer visit\t2\t2\t2\t2\n"
                    "+\thttp://twice.example/\tFirst\t1\t1\t1\t2\n"
                    "+\thttp://twice.example/\tSecond\t1\t1\t1\t2\n");
    UrlHistory history(files(), kHistory);
    ASSERT_EQ(history.entries("http://secret.").size(), 1u);
    EXPECT_EQ(history.entries("http://secret.")[0].title, "Newer visit");

    EXPECT_TRUE(history.remove("http://secret.example/"));
    history.put({"http://twice.example/", "Third", 3, 3, 3, 2});
    UrlHistory again(files(), kHistory);
    EXPECT_TRUE(again.entries("http://secret.").empty());
    ASSERT_EQ(again.entries("http://twice.").size(), 1u);
    EXPECT_EQ(again.entries("http://twice.")[0].title, "Third");
    EXPECT_EQ(again.entries().size(), 2u);
    const std::string text = read_host(temp.host(index));
    EXPECT_EQ(text.find("secret"), std::string::npos) << text;
    EXPECT_EQ(text.find("First"), std::string::npos) << text;
    EXPECT_NE(text.find("Kept"), std::string::npos);
}

// A record whose copy has a name no file can have was never written by a cache: removing its URL
// drops the line instead of failing on the name for ever.
TEST_F(UrlStoreTest, ARecordNamingAnImpossibleCopyIsDroppedByRemove) {
    temp.write_file(std::string(kCache) + "\\urlcache.idx",
                    "TAVRIN-INDEX 1 cache\n"
                    "+\thttp://bell.example/\tContent.IE5\\\\AB\\\\bell\a[1].htm\t4\t1\n"
                    "+\thttp://ask.example/\tContent.IE5\\\\AB\\\\what?.htm\t4\t1\n");
    UrlCache cache(files(), kCache);
    EXPECT_TRUE(cache.entries().empty());
    EXPECT_EQ(cache.unreadable_records(), 2u);
    EXPECT_TRUE(cache.remove("http://bell.example/"));
    EXPECT_TRUE(cache.remove("http://ask.example/"));
    EXPECT_EQ(cache.unreadable_records(), 0u);
    EXPECT_EQ(cache_index_text().find("example"), std::string::npos);
}

TEST_F(UrlStoreTest, CacheNoticesWhatAnotherReaderWrote) {
    UrlCache first(files(), kCache);
    UrlCache second(files(), kCache);
    first.add("http://a.example/", "a");
    EXPECT_EQ(second.entries().size(), 1u);
    second.add("http://b.example/", "b");
    EXPECT_TRUE(first.remove("http://b.example/"));
    EXPECT_TRUE(second.entries().size() == 1u && second.entries()[0].source_url == "http://a.example/");
}

TEST_F(UrlStoreTest, CacheEntryOutsideTheMachineFolderIsRefusedAndKept) {
    auto outside = temp.dir().parent_path() / (temp.dir().filename().string() + "-outside");
    std::filesystem::create_directories(outside);
    std::filesystem::create_directory_symlink(outside, temp.dir() / "dosdevices" / "x:");
    temp.reopen();
    {
        std::ofstream(outside / "urlcache.idx") << "TAVRIN-INDEX 1 cache\n+\thttp://a.example/\tkept.htm\t4\t1\n";
        std::ofstream(outside / "kept.htm") << "kept";
        UrlCache cache(files(), "X:\\");
        ASSERT_EQ(cache.entries().size(), 1u);
        EXPECT_THROW(cache.remove("http://a.example/"), platform::fs::FsError);
        EXPECT_TRUE(std::filesystem::exists(outside / "kept.htm"));
        EXPECT_EQ(cache.entries().size(), 1u);
    }
    std::filesystem::remove_all(outside);
}

// A cleaning run removes every entry in one pass. An entry whose copy may not go stays and is
// reported, the rest go whatever their copies' state: gone already, or named in another case.
TEST_F(UrlStoreTest, RemovingManyEntriesInOnePassKeepsOnlyWhatMayNotGo) {
    auto outside = temp.dir().parent_path() / (temp.dir().filename().string() + "-outside");
    std::filesystem::create_directories(outside);
    std::ofstream(outside / "kept.htm") << "kept";
    UrlCache cache(files(), kCache);
    auto a = cache.add("http://a.example/a.htm", "a");
    auto c = cache.add("http://c.example/c.htm", "c");
    std::filesystem::create_directory_symlink(outside, temp.host(std::string(kCache) + "\\Content.IE5\\OUT"));
    temp.write_file(std::string(kCache) + "\\Content.IE5\\MIXED\\page[1].htm", "mixed");
    temp.write_file(std::string(kCache) + "\\urlcache.idx",
                    cache_index_text() +
                        "+\thttp://out.example/\tContent.IE5\\\\OUT\\\\kept.htm\t4\t1\n"
                        "+\thttp://missing.example/\tContent.IE5\\\\MIXED\\\\gone[1].htm\t4\t1\n"
                        "+\thttp://case.example/\tcontent.ie5\\\\Mixed\\\\PAGE[1].HTM\t5\t1\n");
    ASSERT_EQ(cache.entries().size(), 5u);

    const std::vector<std::string> urls = {"http://a.example/a.htm", "http://out.example/", "http://missing.example/",
                                           "http://case.example/", "http://c.example/c.htm", "http://never.example/"};
    std::vector<uint32_t> failures;
    platform::Recording recording(machine(), platform::RemovalLog::Mode::Record);
    EXPECT_EQ(cache.remove_all(urls, [&](const platform::fs::FsError& error) { failures.push_back(error.code()); }), 4u);
    const auto removed = recording.finish();

    EXPECT_EQ(failures, std::vector<uint32_t>{platform::fs::error::AccessDenied});
    EXPECT_EQ(urls_of(UrlCache(files(), kCache).entries()), std::vector<std::string>{"http://out.example/"});
    EXPECT_TRUE(std::filesystem::exists(outside / "kept.htm"));
    EXPECT_FALSE(std::filesystem::exists(temp.host(a.local_file)));
    EXPECT_FALSE(std::filesystem::exists(temp.host(c.local_file)));
    EXPECT_FALSE(std::filesystem::exists(temp.host(std::string(kCache) + "\\Content.IE5\\MIXED\\page[1].htm")));
    // Each copy is listed before its entry, in the order of the URLs given.
    std::vector<std::string> listed;
    for (const auto& item : removed) listed.push_back(std::string(platform::kind_name(item.kind)) + " " + item.path);
    EXPECT_EQ(listed, (std::vector<std::string>{"file " + a.local_file, "cache entry http://a.example/a.htm",
                                                "cache entry http://missing.example/",
                                                "file " + std::string(kCache) + "\\content.ie5\\Mixed\\PAGE[1].HTM",
                                                "cache entry http://case.example/", "file " + c.local_file,
                                                "cache entry http://c.example/c.htm"}));
    std::filesystem::remove_all(outside);
}

// An index that cannot be written must not lose its copies while it keeps their records.
TEST_F(UrlStoreTest, AnIndexThatCannotBeWrittenStopsThePassBeforeAnyCopyGoes) {
    UrlCache cache(files(), kCache);
    auto a = cache.add("http://a.example/a.htm", "a");
    auto b = cache.add("http://b.example/b.htm", "b");
    const std::string index = std::string(kCache) + "\\urlcache.idx";
    files().set_attributes(index, platform::fs::attr::ReadOnly);
    const std::vector<std::string> urls = {"http://a.example/a.htm", "http://b.example/b.htm"};
    EXPECT_THROW(cache.remove_all(urls, [](const platform::fs::FsError&) {}), platform::fs::FsError);
    EXPECT_TRUE(std::filesystem::exists(temp.host(a.local_file)));
    EXPECT_TRUE(std::filesystem::exists(temp.host(b.local_file)));
    EXPECT_EQ(cache.entries().size(), 2u);
}

TEST_F(UrlStoreTest, ErasingInAnyOrderTakesEachRecordOnceAndAnErasedKeyCanComeBack) {
    const std::string path = std::string(kCache) + "\\small.idx";
    IndexFile index(files(), path, "test", 1);
    for (int i = 0; i < 5; ++i) index.put({"k" + std::to_string(i), {"v" + std::to_string(i)}});
    const std::vector<std::string> keys = {"k3", "k0", "k1", "k1", "k4", "missing"};
    std::vector<std::string> erased;
    EXPECT_EQ(index.erase_all(keys, nullptr, [&](const IndexFile::Record& record) { erased.push_back(record.key); }), 4u);
    EXPECT_EQ(erased, (std::vector<std::string>{"k3", "k0", "k1", "k4"}));
    EXPECT_FALSE(index.find("k1"));
    EXPECT_FALSE(index.erase("k0"));
    index.put({"k0", {"again"}});
    ASSERT_TRUE(index.find("k0"));
    EXPECT_EQ(index.find("k0")->fields, std::vector<std::string>{"again"});

    IndexFile reread(files(), path, "test", 1);
    std::vector<std::string> left;
    for (const auto& record : reread.records()) left.push_back(record.key);
    EXPECT_EQ(left, (std::vector<std::string>{"k2", "k0"}));
}

// Keys are looked up as they are, not as a line spells them with its escapes.
TEST_F(UrlStoreTest, KeysWithEscapesAreFoundErasedAndReplacedLikeAnyOther) {
    const std::string path = std::string(kCache) + "\\escaped.idx";
    temp.write_file(path,
                    "TAVRIN-INDEX 1 test\n"
                    "+\tkey\\twith tab\tolder\n"
                    "+\tplain\tv2\n"
                    "+\tkey\\twith tab\tnewer\n"
                    "+\tback\\\\slash\tv4\n");
    IndexFile index(files(), path, "test", 1);
    std::vector<std::string> keys;
    for (const auto& record : index.records()) keys.push_back(record.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"plain", "key\twith tab", "back\\slash"}));
    ASSERT_TRUE(index.find("key\twith tab"));
    EXPECT_EQ(index.find("key\twith tab")->fields, std::vector<std::string>{"newer"});
    EXPECT_FALSE(index.find("key\\twith tab"));
    EXPECT_FALSE(index.find("back\\\\slash"));

    EXPECT_TRUE(index.erase("key\twith tab"));
    EXPECT_FALSE(index.find("key\twith tab"));
    index.put({"back\\slash", {"v5"}});
    index.put({"new\\one", {"v6"}});
    ASSERT_TRUE(index.find("new\\one"));

    IndexFile reread(files(), path, "test", 1);
    std::vector<std::pair<std::string, std::string>> left;
    for (const auto& record : reread.records()) left.emplace_back(record.key, record.fields.at(0));
    EXPECT_EQ(left, (std::vector<std::pair<std::string, std::string>>{
                        {"plain", "v2"}, {"back\\slash", "v5"}, {"new\\one", "v6"}}));
    EXPECT_EQ(read_host(temp.host(path)).find("with tab"), std::string::npos) << "both lines of the erased key are blank";
}

// A tiny index, read and then handed on, still finds its records by key, even once the place it
// was read in holds another index.
TEST_F(UrlStoreTest, AnIndexHandedOnAfterReadingFindsWhatItRead) {
    const std::string path = std::string(kCache) + "\\tiny.idx", other = std::string(kCache) + "\\other.idx";
    temp.write_file(path, "+\tk\tv\n");
    temp.write_file(other, "+\tx\tw\n");
    std::optional<IndexFile> first(std::in_place, files(), path, "test", 1);
    ASSERT_TRUE(first->find("k"));
    IndexFile handed_on(std::move(*first));
    first.emplace(files(), other, "test", 1);
    ASSERT_TRUE(first->find("x"));
    ASSERT_TRUE(handed_on.find("k"));
    EXPECT_EQ(handed_on.find("k")->fields, std::vector<std::string>{"v"});
    EXPECT_TRUE(handed_on.erase("k"));
    EXPECT_FALSE(handed_on.find("k"));
}

TEST_F(UrlStoreTest, IndexSqueezesErasedLinesWithoutLosingRecordsOrDamage) {
    const std::string path = std::string(kCache) + "\\big.idx";
    temp.write_file(path, "TAVRIN-INDEX 1 test\nkeep me\n");
    IndexFile index(files(), path, "test", 1);
    for (int i = 0; i < 10000; ++i) index.put({"key" + std::to_string(i), {"value\t" + std::to_string(i)}});
    auto full_size = std::filesystem::file_size(temp.host(path));
    for (int i = 0; i < 9990; ++i) ASSERT_TRUE(index.erase("key" + std::to_string(i)));
    EXPECT_LT(std::filesystem::file_size(temp.host(path)), full_size / 10);

    IndexFile reread(files(), path, "test", 1);
    auto records = reread.records();
    ASSERT_EQ(records.size(), 10u);
    EXPECT_EQ(records.front().key, "key9990");
    EXPECT_EQ(records.front().fields, (std::vector<std::string>{"value\t9990"}));
    EXPECT_EQ(reread.unreadable_lines(), 1u);
    EXPECT_NE(read_host(temp.host(path)).find("keep me"), std::string::npos);
}

TEST_F(UrlStoreTest, HistoryListsFiltersRemovesAndClears) {
    UrlHistory history(files(), kHistory);
    history.add("http://news.example/today", "News\ttoday", platform::inet::history_flag::IsTopLevel);
    history.add("HTTP://NEWS.example/sport", "Sport", 0);
    history.add("http://mail.example/", "Mail", platform::inet::history_flag::IsTopLevel);

    EXPECT_EQ(history.entries().size(), 3u);
    auto news = history.entries("http://news.");
    ASSERT_EQ(news.size(), 2u);
    EXPECT_EQ(news[0].title, "News\ttoday");
    EXPECT_EQ(history.entries("", platform::inet::history_flag::QueryTopLevel).size(), 2u);
    EXPECT_GT(news[0].expires, news[0].last_visited);

    EXPECT_TRUE(history.remove("http://mail.example/"));
    EXPECT_FALSE(history.remove("http://mail.example/"));
    UrlHistory again(files(), kHistory);
    EXPECT_EQ(again.entries().size(), 2u);

    temp.write_file(std::string(kHistory) + "\\urlhistory.idx",
                    read_host(temp.host(std::string(kHistory) + "\\urlhistory.idx")) + "damaged http://secret.example/\n");
    again.clear();
    EXPECT_TRUE(again.entries().empty());
    EXPECT_EQ(read_host(temp.host(std::string(kHistory) + "\\urlhistory.idx")).find("secret"), std::string::npos);
}

TEST_F(UrlStoreTest, HistoryWithoutFolderIsEmptyAndRefusesWrites) {
    UrlHistory history(files(), "");
    EXPECT_TRUE(history.entries().empty());
    EXPECT_FALSE(history.remove("http://a.example/"));
    history.clear();
    EXPECT_THROW(history.add("http://a.example/", "A", 0), platform::fs::FsError);
}

TEST(FileTime, LocalDatesKeepDayAndTimeOfDay) {
    // 15 January 2025 00:00 UTC; no daylight-saving change falls within a day of it.
    uint64_t moment = platform::inet::filetime_from_unix(1736899200);
    constexpr uint64_t hour = 36'000'000'000ull;
    double date = platform::inet::filetime_to_local_date(moment);
    EXPECT_NEAR(platform::inet::filetime_to_local_date(moment + 24 * hour) - date, 1.0, 1e-9);
    EXPECT_NEAR(platform::inet::filetime_to_local_date(moment + 6 * hour) - date, 0.25, 1e-9);
    EXPECT_NEAR(date, 45672.0, 1.0);  // the date value of 15 January 2025, give or take the time zone
    EXPECT_EQ(platform::inet::filetime_to_local_date(moment), date);
}

}  // namespace
