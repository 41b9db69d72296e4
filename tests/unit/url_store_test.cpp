// The machine's URL cache and URL history in the index.dat files Windows and Wine write, on a
// real temporary machine: files Windows wrote, read back by an independent reader (msiecfexport),
// damaged files refused unchanged, and the text indexes of an earlier version still cleaned.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/inet/index_dat.h"
#include "platform/inet/url_cache.h"
#include "platform/inet/url_history_store.h"
#include "platform/machine/machine.h"
#include "platform/removals/removal_log.h"
#include "tests/unit/support/command_output.h"
#include "tests/unit/support/corpora.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace stdfs = std::filesystem;
using platform::inet::DeletedCopies;
using platform::inet::IndexDat;
using platform::inet::UrlCache;
using platform::inet::UrlHistory;

constexpr const char* kCache = "C:\\Cache Test";
constexpr const char* kHistory = "C:\\History Test";

std::string read_host(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_host(const stdfs::path& path, const std::string& bytes) {
    stdfs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// What the independent reader makes of the file; "" when it is not installed.
std::string msiecf(const char* tool, const stdfs::path& file) {
    tavrin_test::CommandOutput ran = tavrin_test::command_output(std::string(tool) + " '" + file.string() + "' 2>&1");
    if (ran.status != 0 && ran.out.find("not found") != std::string::npos) ran.out.clear();
    return ran.out;
}

uint32_t u32_at(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

class UrlStoreTest : public tavrin_test::MachineTest {
protected:
    platform::fs::FileSystem& files() { return machine().files(); }
    stdfs::path cache_index() { return temp.host(std::string(kCache) + "\\Content.IE5\\index.dat"); }
    stdfs::path history_index() { return temp.host(std::string(kHistory) + "\\History.IE5\\index.dat"); }
};

TEST_F(UrlStoreTest, WindowsCacheIsListedThenRemovedWithCopiesAndNothingOfItStays) {
    const auto corpus = tavrin_test::corpus_file("windows/msiecf/Content.IE5/index.dat");
    if (!corpus) GTEST_SKIP() << "no corpus of Windows index files (../shared/corpora)";
    write_host(cache_index(), read_host(*corpus));
    UrlCache cache(files(), kCache);
    const auto entries = cache.entries();
    ASSERT_EQ(entries.size(), 35u);  // as msiecfexport counts them: pages and redirects
    std::vector<std::string> urls;
    for (const auto& entry : entries) {
        urls.push_back(entry.source_url);
        if (!entry.local_file.empty()) temp.write_file(entry.local_file, "copy");
    }
    EXPECT_NE(std::find(urls.begin(), urls.end(), "http://www.bing.com/favicon.ico"), urls.end());
    const auto bing = std::find_if(entries.begin(), entries.end(),
                                   [](const auto& entry) { return entry.source_url == "http://www.bing.com/favicon.ico"; });
    EXPECT_EQ(bing->local_file, std::string(kCache) + "\\Content.IE5\\5F9C7HL9\\favicon[1].ico");
    EXPECT_EQ(bing->size, 1150u);

    DeletedCopies copies([](const platform::fs::FsError& error) { ADD_FAILURE() << error.what(); });
    EXPECT_EQ(cache.remove_all(urls, copies), 35u);
    for (const auto& entry : entries) {
        if (!entry.local_file.empty()) {
            EXPECT_FALSE(stdfs::exists(temp.host(entry.local_file))) << entry.local_file;
        }
    }
    const std::string bytes = read_host(cache_index());
    EXPECT_TRUE(UrlCache(files(), kCache).entries().empty());
    EXPECT_EQ(bytes.find("http"), std::string::npos);
    EXPECT_EQ(bytes.find("favicon"), std::string::npos);
    for (size_t folder = 0; folder < 4; ++folder) EXPECT_EQ(u32_at(bytes, 0x4C + folder * 12), 0u) << folder;
    EXPECT_NO_THROW(IndexDat{bytes});
    const std::string exported = msiecf("msiecfexport", cache_index());
    if (exported.empty()) GTEST_SKIP() << "msiecfexport is not installed (libmsiecf-utils)";
    EXPECT_NE(exported.find("Number of items: 0"), std::string::npos) << exported;
    EXPECT_EQ(exported.find("Record type"), std::string::npos) << exported;
}

// An index that cannot be written (a read-only file, as copied from a read-only medium) keeps
// every record, on disk and here, and none is recorded as removed.
TEST_F(UrlStoreTest, AnIndexThatCannotBeWrittenKeepsItsRecordsAndNoneIsReportedRemoved) {
    const auto corpus = tavrin_test::corpus_file("windows/msiecf/Content.IE5/index.dat");
    if (!corpus) GTEST_SKIP() << "no corpus of Windows index files (../shared/corpora)";
    write_host(cache_index(), read_host(*corpus));
    stdfs::permissions(cache_index(), stdfs::perms::owner_read | stdfs::perms::group_read | stdfs::perms::others_read);
    UrlCache cache(files(), kCache);
    std::vector<std::string> urls;
    for (const auto& entry : cache.entries()) urls.push_back(entry.source_url);
    platform::Recording run(machine(), platform::RemovalLog::Mode::Record);
    DeletedCopies copies([](const platform::fs::FsError& error) { ADD_FAILURE() << error.what(); });
    EXPECT_THROW(cache.remove_all(urls, copies), platform::fs::FsError);
    EXPECT_EQ(run.finish().size(), 0u);
    EXPECT_EQ(read_host(cache_index()), read_host(*corpus));
    EXPECT_EQ(cache.entries().size(), 35u);
}

TEST_F(UrlStoreTest, WindowsHistoryIsListedAndClearedWithItsPeriodsAndRemovedRecords) {
    const auto corpus = tavrin_test::corpus_file("windows/msiecf/History.IE5/index.dat");
    if (!corpus) GTEST_SKIP() << "no corpus of Windows index files (../shared/corpora)";
    write_host(history_index(), read_host(*corpus));
    const auto period = temp.host(std::string(kHistory) + "\\History.IE5\\MSHist012015082520150826\\index.dat");
    write_host(period, read_host(*corpus));
    UrlHistory history(files(), kHistory, "user");
    const auto entries = history.entries();
    ASSERT_EQ(entries.size(), 15u);
    EXPECT_EQ(history.entries("http://www.msn.com/?ocid=iehp").size(), 1u);
    EXPECT_EQ(history.entries("", platform::inet::history_flag::QueryTopLevel).size(), 15u);

    EXPECT_TRUE(history.remove("http://www.msn.com/?ocid=iehp"));
    EXPECT_EQ(history.entries().size(), 14u);
    history.clear();
    EXPECT_TRUE(UrlHistory(files(), kHistory, "user").entries().empty());
    EXPECT_FALSE(stdfs::exists(period.parent_path()));
    const std::string bytes = read_host(history_index());
    // Windows left two removed visits in free blocks: they go too.
    EXPECT_EQ(bytes.find("Visited"), std::string::npos);
    EXPECT_EQ(bytes.find("http"), std::string::npos);
    const std::string info = msiecf("msiecfinfo", history_index());
    if (info.empty()) GTEST_SKIP() << "msiecfinfo is not installed (libmsiecf-utils)";
    EXPECT_NE(info.find("Number of items\t\t\t: 0"), std::string::npos) << info;
    EXPECT_NE(info.find("Number of recovered items\t: 0"), std::string::npos) << info;
}

TEST_F(UrlStoreTest, EntriesThisProgramAddsAreReadByTheIndependentReader) {
    UrlCache cache(files(), kCache);
    cache.add("http://a.example/x/logo.gif", "GIF89a");
    cache.add("http://b.example/", "<html>");
    cache.add("http://a.example/x/logo.gif", "GIF89a again");  // replaces the first, copy and all
    size_t copies = 0;
    for (const auto& item : stdfs::recursive_directory_iterator(temp.host(cache.container_folder())))
        copies += item.is_regular_file() && item.path().filename() != "index.dat";
    EXPECT_EQ(copies, 2u);
    const auto entries = UrlCache(files(), kCache).entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].source_url, "http://a.example/x/logo.gif");
    EXPECT_EQ(read_host(temp.host(entries[1].local_file)), "GIF89a again");
    UrlHistory history(files(), kHistory, "demo");
    history.add("http://a.example/", "Title A", platform::inet::history_flag::IsTopLevel);
    history.add("http://b.example/", "", 0);
    ASSERT_EQ(history.entries().size(), 2u);
    EXPECT_EQ(history.entries()[0].title, "Title A");
    EXPECT_EQ(history.entries("", platform::inet::history_flag::QueryTopLevel).size(), 1u);

    const std::string exported = msiecf("msiecfexport", cache_index());
    if (exported.empty()) GTEST_SKIP() << "msiecfexport is not installed (libmsiecf-utils)";
    EXPECT_NE(exported.find("Number of items: 2"), std::string::npos) << exported;
    EXPECT_NE(exported.find("Location\t\t: http://a.example/x/logo.gif"), std::string::npos) << exported;
    EXPECT_NE(exported.find("Filename\t\t: logo[1].gif"), std::string::npos) << exported;
    EXPECT_NE(msiecf("msiecfexport", history_index()).find("Visited: demo@http://a.example/"), std::string::npos);
}

// Every kind of damage the index can have: the file is refused, named among the refusals, left
// byte for byte as it was, and the copies it names stay.
TEST_F(UrlStoreTest, DamagedIndexesAreRefusedAndLeftAsTheyAre) {
    UrlCache made(files(), kCache);
    const auto copy = made.add("http://secret.example/page", "copy");
    made.add("http://other.example/", "other");
    const std::string good = read_host(cache_index());
    const IndexDat index(good);
    const uint32_t record = index.records()[0].offset;
    const uint32_t table = u32_at(good, 0x20);
    const auto set32 = [](std::string bytes, size_t at, uint32_t value) {
        std::memcpy(bytes.data() + at, &value, sizeof value);
        return bytes;
    };
    const auto url_at = record + u32_at(good, record + 0x34);
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"empty", ""},
        {"cut inside the header", good.substr(0, 0x100)},
        {"cut by one byte", good.substr(0, good.size() - 1)},
        {"unknown signature", "Client UrlCache MMF Ver 4.7" + good.substr(27)},
        {"4 GB size", set32(good, 0x1C, 0xFFFFFFFF)},
        {"capacity past the bitmap", set32(set32(good, 0x24, 0x40000000), 0x1C, 0)},
        {"hash table chain loops", set32(good, table + 8, table)},
        {"hash table past the end", set32(good, 0x20, static_cast<uint32_t>(good.size()))},
        {"record overruns the file", set32(good, record + 4, 0x100000)},
        {"record marked free", [&] {
             std::string bytes = good;
             const uint32_t block = (record - 0x4000) / 128;
             bytes[0x250 + block / 8] = static_cast<char>(bytes[0x250 + block / 8] & ~(1 << (block % 8)));
             return bytes;
         }()},
        {"URL without its end", [&] {
             std::string bytes = good;
             std::memset(bytes.data() + url_at, 'A', record + 128 * u32_at(good, record + 4) - url_at);
             return bytes;
         }()},
        {"local name with ..", [&] {
             std::string bytes = good;
             std::memcpy(bytes.data() + record + u32_at(good, record + 0x3C), "..\0", 3);
             return bytes;
         }()},
        {"folder name of 7 characters", [&] {
             std::string bytes = good;
             bytes[0x4C + 4 + 7] = '\0';
             return bytes;
         }()},
    };
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        write_host(cache_index(), bytes);
        machine().removals().start(platform::RemovalLog::Mode::Record);
        UrlCache cache(files(), kCache);
        EXPECT_TRUE(cache.entries().empty());
        const std::string url = "http://secret.example/page";
        DeletedCopies copies;
        EXPECT_EQ(cache.remove_all({&url, 1}, copies), 0u);
        EXPECT_THROW(cache.add("http://new.example/", "x"), platform::fs::FsError);
        EXPECT_EQ(read_host(cache_index()), bytes);
        EXPECT_TRUE(stdfs::exists(temp.host(copy.local_file)));
        ASSERT_FALSE(machine().removals().refused().empty());
        EXPECT_EQ(machine().removals().refused().back().path, std::string(kCache) + "\\Content.IE5\\index.dat");
        machine().removals().stop();
    }
}

// Windows finds a copy in any case: one the index names in another case goes with its record,
// and a record whose copy is gone already goes alone.
TEST_F(UrlStoreTest, CopiesAreFoundInAnyCaseAndMissingOnesLeaveTheirRecordsFree) {
    IndexDat index = IndexDat::create(IndexDat::kWindowsSignature, {"ABCD1234"});
    index.add({.url = "http://cased.example/", .local_name = "page[1].htm", .folder = 0, .size = 4});
    index.add({.url = "http://gone.example/", .local_name = "gone[1].htm", .folder = 0, .size = 4});
    index.add({.url = "http://kept.example/", .local_name = "kept[1].htm", .folder = 0, .size = 4});
    write_host(cache_index(), index.bytes());
    temp.write_file(std::string(kCache) + "\\Content.IE5\\ABCD1234\\PAGE[1].HTM", "page");
    temp.write_file(std::string(kCache) + "\\Content.IE5\\ABCD1234\\kept[1].htm", "kept");
    const std::vector<std::string> urls = {"http://cased.example/", "http://gone.example/"};
    DeletedCopies copies([](const platform::fs::FsError& error) { ADD_FAILURE() << error.what(); });
    EXPECT_EQ(UrlCache(files(), kCache).remove_all(urls, copies), 2u);
    EXPECT_FALSE(stdfs::exists(temp.host(std::string(kCache) + "\\Content.IE5\\ABCD1234\\PAGE[1].HTM")));
    ASSERT_EQ(UrlCache(files(), kCache).entries().size(), 1u);
    EXPECT_TRUE(stdfs::exists(temp.host(std::string(kCache) + "\\Content.IE5\\ABCD1234\\kept[1].htm")));
}

TEST_F(UrlStoreTest, TwoRecordsOfOneUrlBothGoAndFreeBlocksAreZeroed) {
    IndexDat index = IndexDat::create(IndexDat::kWineSignature, {"ABCD1234"});
    for (int i = 0; i < 2; ++i) index.add({.url = "http://twice.example/", .local_name = "a.htm", .folder = 0, .size = 5});
    index.add({.url = "http://kept.example/"});
    IndexDat reread(index.bytes());
    ASSERT_EQ(reread.records().size(), 3u);
    EXPECT_EQ(reread.remove_if([](const auto& record) { return record.url == "http://twice.example/"; }), 2u);
    EXPECT_EQ(reread.bytes().find("twice"), std::string::npos);
    EXPECT_EQ(u32_at(reread.bytes(), 0x4C), 0u);  // the folder's file count
    std::string junk = reread.bytes();
    const std::string left = "http://removed-long-ago.example/";
    junk.replace(junk.size() - 128, left.size(), left);
    IndexDat windows_left(junk);
    windows_left.zero_free_blocks();
    EXPECT_EQ(windows_left.bytes().find(left), std::string::npos);
    ASSERT_EQ(IndexDat(windows_left.bytes()).records().size(), 1u);
    EXPECT_EQ(IndexDat(windows_left.bytes()).records()[0].url, "http://kept.example/");
}

TEST_F(UrlStoreTest, IndexesOfAnEarlierVersionAreListedCleanedAndThenGo) {
    temp.write_file(std::string(kCache) + "\\urlcache.idx",
                    "TAVRIN-INDEX 1 cache\n+\thttp://old.example/a.gif\tContent.IE5\\\\K3J8Q2ZD\\\\a[1].gif\t3\t1\n");
    temp.write_file(std::string(kCache) + "\\Content.IE5\\K3J8Q2ZD\\a[1].gif", "GIF");
    temp.write_file(std::string(kHistory) + "\\urlhistory.idx",
                    "TAVRIN-INDEX 1 history\n+\thttp://old.example/\tOld\t1\t1\t1\t2\n");
    UrlCache cache(files(), kCache);
    cache.add("http://new.example/", "new");
    ASSERT_EQ(cache.entries().size(), 2u);
    EXPECT_EQ(cache.entries()[1].local_file, std::string(kCache) + "\\Content.IE5\\K3J8Q2ZD\\a[1].gif");
    const std::string old_url = "http://old.example/a.gif";
    DeletedCopies copies;
    EXPECT_EQ(cache.remove_all({&old_url, 1}, copies), 1u);
    EXPECT_FALSE(stdfs::exists(temp.host(std::string(kCache) + "\\urlcache.idx")));
    EXPECT_FALSE(stdfs::exists(temp.host(std::string(kCache) + "\\Content.IE5\\K3J8Q2ZD\\a[1].gif")));
    EXPECT_EQ(UrlCache(files(), kCache).entries().size(), 1u);

    UrlHistory history(files(), kHistory, "user");
    ASSERT_EQ(history.entries().size(), 1u);
    EXPECT_EQ(history.entries()[0].title, "Old");
    history.clear();
    EXPECT_TRUE(history.entries().empty());
    EXPECT_FALSE(stdfs::exists(temp.host(std::string(kHistory) + "\\urlhistory.idx")));
}

TEST_F(UrlStoreTest, StoresWithoutAFullPathHaveNoEntries) {
    UrlCache unnamed(files(), "");
    EXPECT_TRUE(unnamed.entries().empty());
    EXPECT_THROW(unnamed.add("http://a.example/", "a"), platform::fs::FsError);
    UrlHistory relative(files(), "History", "user");
    EXPECT_TRUE(relative.entries().empty());
    EXPECT_THROW(relative.add("http://a.example/", "a", 0), platform::fs::FsError);
}

}  // namespace
