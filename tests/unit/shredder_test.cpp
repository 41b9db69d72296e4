// Shredder and HDD on a real temporary machine: what is overwritten, what is deleted, what is
// left alone, and what the log and the events say about it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/foundation/clock.h"
#include "engine/foundation/hooks.h"
#include "engine/foundation/logger.h"
#include "engine/foundation/message_text.h"
#include "engine/shredder/hdd.h"
#include "engine/shredder/shredder.h"
#include "platform/fs/write_faults.h"
#include "platform/sys/run_cancel.h"
#include "tests/unit/support/extra_drive.h"
#include "tests/unit/support/scoped_env.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
namespace attr = platform::fs::attr;
using engine::Shredder;

const unsigned char kPatternBytes[20] = {85, 170, 74, 99, 71, 92, 101, 112, 1, 61,
                                         97, 119, 86, 79, 109, 72, 90, 0, 255, 212};

// What a shredded file of `length` bytes must hold: the 200-byte run repeated over all of it.
std::string expected_overwrite(size_t length) {
    std::string bytes(std::max<size_t>(length, 200), '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(kPatternBytes[(i % 200) / 10]);
    return bytes;
}

std::string read_host(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class ShredderTest : public tavrin_test::MachineTest {
protected:
    ShredderTest() {
        shredder.ShowLog.subscribe([this](std::string& name) { shown.push_back(name); });
        shredder.NotShredded.subscribe([this](std::string& failure) { not_shredded.push_back(failure); });
    }

    // The file's data held open: it outlives the delete and shows what was written into the
    // very blocks the file had (a recreated or truncated file would not show here). Not a second
    // name, which would make the shredder leave the data alone.
    fs::path keep_data_of(std::string_view windows_path) {
        const int fd = ::open(temp.host(windows_path).c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_GE(fd, 0) << windows_path;
        witnesses.push_back(fd);
        return "/proc/self/fd/" + std::to_string(fd);
    }
    ~ShredderTest() override {
        for (int fd : witnesses) ::close(fd);
    }

    std::string todays_log() {
        const auto day = engine::now();
        const fs::path log = temp.host(engine::log_file_path(day.year, day.month, day.day));
        return fs::exists(log) ? read_host(log) : "";
    }

    bool exists(std::string_view windows_path) { return fs::exists(fs::symlink_status(temp.host(windows_path))); }

    int32_t folder_shred(const std::string& folder, bool contents_only, const std::string& extension, bool subfolders,
                         double max_mb = 0, double min_mb = 0) {
        return shredder.FolderShred(folder, contents_only, extension, subfolders, max_mb, min_mb);
    }

    Shredder shredder;
    std::vector<std::string> shown;
    std::vector<std::string> not_shredded;
    std::vector<int> witnesses;
};

TEST_F(ShredderTest, FileShredOverwritesTheWholeFileInPlaceBeforeDeletingIt) {
    const std::string small = "C:\\data\\small.bin";
    const std::string large = "C:\\data\\large.bin";
    temp.write_file(small, std::string(50, 'S'));
    temp.write_file(large, std::string(1024 * 1024 + 7, 'L'));
    const fs::path small_data = keep_data_of(small);
    const fs::path large_data = keep_data_of(large);

    EXPECT_EQ(shredder.FileShred(small), 50);
    EXPECT_EQ(shredder.FileShred(large), 1024 * 1024 + 7);

    EXPECT_FALSE(exists(small));
    EXPECT_FALSE(exists(large));
    // A short file gets one full run; a long one is covered to its last byte.
    EXPECT_EQ(read_host(small_data), expected_overwrite(50));
    EXPECT_EQ(read_host(large_data), expected_overwrite(1024 * 1024 + 7));
    EXPECT_EQ(shown, (std::vector<std::string>{"small.bin", "large.bin"}));
}

TEST_F(ShredderTest, FileShredWritesOneLogLinePerShreddedFile) {
    const std::string path = "C:\\Documents and Settings\\secret notes.txt";
    temp.write_file(path, "secret");

    shredder.FileShred(path);

    const std::string log = todays_log();
    const std::string line_tail = "\t" + engine::GetMessageText("msg16") + " " + path + "\r\n";
    ASSERT_GE(log.size(), line_tail.size());
    EXPECT_EQ(log.substr(log.size() - line_tail.size()), line_tail);
    EXPECT_EQ(log.front(), '"');
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
    EXPECT_EQ(shown, std::vector<std::string>{"secret notes.txt"});
}

TEST_F(ShredderTest, ShortcutsAreDeletedWithoutOverwriteLogOrEvent) {
    const std::vector<std::string> shortcuts = {"C:\\s\\link.lnk", "C:\\s\\notes.LNK", "C:\\s\\filelnk"};
    std::vector<fs::path> data;
    for (const auto& path : shortcuts) {
        temp.write_file(path, "shortcut bytes");
        data.push_back(keep_data_of(path));
    }

    for (const auto& path : shortcuts) EXPECT_EQ(shredder.FileShred(path), 14);

    for (size_t i = 0; i < shortcuts.size(); ++i) {
        EXPECT_FALSE(exists(shortcuts[i])) << shortcuts[i];
        EXPECT_EQ(read_host(data[i]), "shortcut bytes") << shortcuts[i];
    }
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(todays_log(), "");
}

TEST_F(ShredderTest, ReadOnlyHiddenFilesAreShreddedToo) {
    const std::string path = "C:\\data\\locked.dat";
    temp.write_file(path, "private");
    machine().files().set_attributes(path, attr::ReadOnly | attr::Hidden);
    const fs::path data = keep_data_of(path);

    EXPECT_EQ(shredder.FileShred(path), 7);

    EXPECT_FALSE(exists(path));
    EXPECT_EQ(read_host(data), expected_overwrite(7));
    EXPECT_EQ(shown, std::vector<std::string>{"locked.dat"});
}

TEST_F(ShredderTest, WhatCannotBeShreddedIsLeftAloneAndNeverAnnouncedAsShredded) {
    temp.write_file("C:\\folder\\inside.txt", "x");

    EXPECT_EQ(shredder.FileShred("C:\\no such file.txt"), 0);
    EXPECT_EQ(shredder.FileShred(""), 0);
    EXPECT_EQ(shredder.FileShred("C:\\folder"), 0);  // a folder is not a file
    EXPECT_EQ(shredder.FileShred("Q:\\unmapped.txt"), 0);

    EXPECT_TRUE(exists("C:\\folder\\inside.txt"));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(todays_log(), "");
    EXPECT_EQ(shredder.TotalBytes().to_integer(), 0);
}

TEST_F(ShredderTest, LinksAreRemovedAsLinksAndTheirTargetsKept) {
    temp.write_file("C:\\target\\kept.txt", "keep me");
    temp.write_file("C:\\walk\\own.txt", "mine");
    fs::create_symlink(temp.host("C:\\target\\kept.txt"), temp.host("C:\\walk\\file link.txt"));
    fs::create_directory_symlink(temp.host("C:\\target"), temp.host("C:\\walk\\folder link"));

    folder_shred("C:\\walk", false, "*", true);

    EXPECT_FALSE(exists("C:\\walk"));
    EXPECT_EQ(read_host(temp.host("C:\\target\\kept.txt")), "keep me");
    EXPECT_EQ(shown, std::vector<std::string>{"own.txt"});

    fs::create_directories(temp.host("C:\\again"));
    fs::create_symlink(temp.host("C:\\target\\kept.txt"), temp.host("C:\\again\\direct.txt"));
    shredder.FileShred("C:\\again\\direct.txt");
    EXPECT_FALSE(exists("C:\\again\\direct.txt"));
    EXPECT_EQ(read_host(temp.host("C:\\target\\kept.txt")), "keep me");
}

// The selection rule: dot-less names equal to the type in any case (rule 1), otherwise the
// lower-cased extension equal to the type as given (rule 2).
TEST_F(ShredderTest, FolderShredSelectsByTheExtensionRules) {
    const std::vector<std::string> names = {"a.txt", "b.tar.txt", "a.TXT.bak", "c.txtx", "txt", "d.TXT", "TXT2"};
    for (const auto& name : names) temp.write_file("C:\\sel\\" + name, "content");

    folder_shred("C:\\sel", true, "txt", false);
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<std::string>{"a.txt", "b.tar.txt", "d.TXT", "txt"}));
    EXPECT_TRUE(exists("C:\\sel\\a.TXT.bak"));
    EXPECT_TRUE(exists("C:\\sel\\c.txtx"));
    EXPECT_TRUE(exists("C:\\sel\\TXT2"));

    shown.clear();
    temp.write_file("C:\\upper\\e.txt", "content");
    temp.write_file("C:\\upper\\Txt", "content");
    folder_shred("C:\\upper", true, "TXT", false);
    EXPECT_EQ(shown, std::vector<std::string>{"Txt"});
    EXPECT_TRUE(exists("C:\\upper\\e.txt"));
}

TEST_F(ShredderTest, SizeBoundsApplyToTheFolderItselfOnlyAndComeBackAsBytes) {
    temp.write_file("C:\\sized\\fits.bin", std::string(1024 * 1024, 'f'));
    temp.write_file("C:\\sized\\too big.bin", std::string(1024 * 1024 + 1, 'b'));
    temp.write_file("C:\\sized\\sub\\big in sub.bin", std::string(1024 * 1024 + 1, 's'));

    double max_fsize = 1, min_fsize = 0;
    EXPECT_EQ(shredder.FolderShred("C:\\sized", true, "*", true, max_fsize, min_fsize), 0);

    EXPECT_EQ(max_fsize, 1048576.0);
    EXPECT_EQ(min_fsize, 0.0);
    EXPECT_FALSE(exists("C:\\sized\\fits.bin"));
    EXPECT_TRUE(exists("C:\\sized\\too big.bin"));
    EXPECT_FALSE(exists("C:\\sized\\sub\\big in sub.bin"));
    EXPECT_TRUE(exists("C:\\sized\\sub"));
}

TEST_F(ShredderTest, OneSidedAndNegativeBoundsShredNothingTheyDoNotCover) {
    temp.write_file("C:\\bounds\\empty.txt", "");
    temp.write_file("C:\\bounds\\full.txt", "not empty");

    folder_shred("C:\\bounds", true, "txt", false, 0, 0.5);  // max 0, min above 0
    EXPECT_TRUE(shown.empty());
    folder_shred("C:\\bounds", true, "*", false, -1, 0);  // a negative upper bound
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(exists("C:\\bounds\\full.txt"));

    folder_shred("C:\\bounds", true, "txt", false, 0, 0);  // no bounds: the empty file goes too
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<std::string>{"empty.txt", "full.txt"}));
}

TEST_F(ShredderTest, SubfoldersAreShreddedBeforeTheFolderItsFiles) {
    temp.write_file("C:\\order\\own.txt", "1");
    temp.write_file("C:\\order\\sub\\deep\\deepest.txt", "2");
    temp.write_file("C:\\order\\sub\\middle.txt", "3");

    folder_shred("C:\\order", true, "*", true);

    EXPECT_EQ(shown, (std::vector<std::string>{"deepest.txt", "middle.txt", "own.txt"}));
    EXPECT_TRUE(exists("C:\\order\\sub\\deep"));  // contents only: every folder stays
}

// Cancel, heard while the first batch of a large folder is deleted, stops the walk: every file is
// shredded whole or left as it was, and the folder stays with what is left.
TEST_F(ShredderTest, CancelStopsAFolderShredBetweenFilesAndLeavesTheRestUntouched) {
    constexpr int kFiles = 3000;  // more than one batch
    const auto name = [](int i) { return "C:\\many\\f" + std::to_string(i) + ".txt"; };
    for (int i = 0; i < kFiles; ++i) temp.write_file(name(i), "file " + std::to_string(i));
    shredder.ShowLog.subscribe([](std::string&) { platform::request_run_cancel(); });
    {
        platform::CancellableRun run;
        EXPECT_THROW(folder_shred("C:\\many", false, "*", true), platform::RunCancelled);
    }
    int gone = 0;
    for (int i = 0; i < kFiles; ++i) {
        if (!exists(name(i))) ++gone;
        else EXPECT_EQ(read_host(temp.host(name(i))), "file " + std::to_string(i)) << name(i);
    }
    EXPECT_EQ(static_cast<size_t>(gone), shown.size());
    EXPECT_GT(gone, 0);
    EXPECT_LT(gone, kFiles);
    EXPECT_TRUE(exists("C:\\many"));
}

TEST_F(ShredderTest, WithoutContentsOnlyTheFolderAndItsSubfoldersGo) {
    temp.write_file("C:\\gone\\a.txt", "1");
    temp.write_file("C:\\gone\\sub\\b.txt", "2");
    temp.write_file("C:\\keep\\c.txt", "3");

    folder_shred("C:\\gone\\", false, "*", true);  // a trailing backslash names the same folder

    EXPECT_FALSE(exists("C:\\gone"));
    EXPECT_TRUE(exists("C:\\keep\\c.txt"));
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(ShredderTest, AReadOnlyItemKeepsTheFolderFromBeingRemoved) {
    temp.write_file("C:\\guarded\\shred.txt", "1");
    temp.write_file("C:\\guarded\\locked.dat", "2");
    machine().files().set_attributes("C:\\guarded\\locked.dat", attr::ReadOnly);

    folder_shred("C:\\guarded", false, "txt", true);

    EXPECT_FALSE(exists("C:\\guarded\\shred.txt"));
    EXPECT_TRUE(exists("C:\\guarded\\locked.dat"));
    EXPECT_EQ(read_host(temp.host("C:\\guarded\\locked.dat")), "2");
}

TEST_F(ShredderTest, AFilePathOrMissingFolderIsNotAFolderToRemove) {
    temp.write_file("C:\\plain.txt", "not a folder");

    folder_shred("C:\\plain.txt", false, "*", true);
    folder_shred("C:\\missing", false, "*", true);
    folder_shred("", false, "*", true);

    EXPECT_EQ(read_host(temp.host("C:\\plain.txt")), "not a folder");
    EXPECT_TRUE(shown.empty());
}

TEST_F(ShredderTest, ADriveRootLosesItsContentsButStays) {
    const std::string root = tavrin_test::add_drive(temp, 'D');
    temp.write_file("D:\\top.txt", "1");
    temp.write_file("D:\\folder\\inner.txt", "2");

    folder_shred(root, false, "*", true);

    EXPECT_TRUE(fs::is_directory(tavrin_test::drive_folder(temp, 'D')));
    EXPECT_TRUE(fs::is_empty(tavrin_test::drive_folder(temp, 'D')));
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(ShredderTest, DrivesOutsideTheMachineAreNeverTouched) {
    const fs::path outside = fs::temp_directory_path() / ("outside-of-" + temp.dir().filename().string());
    fs::create_directories(outside / "sub");
    std::ofstream(outside / "precious.txt") << "precious";
    std::ofstream(outside / "sub" / "also.txt") << "also";
    fs::create_directory_symlink(outside, temp.dir() / "dosdevices" / "q:");
    temp.reopen();

    Shredder outsider;
    int announced = 0;
    outsider.ShowLog.subscribe([&](std::string&) { ++announced; });
    outsider.FileShred("Q:\\precious.txt");
    double max_fsize = 0, min_fsize = 0;
    outsider.FolderShred("Q:\\", false, "*", true, max_fsize, min_fsize);
    outsider.FolderShred("Q:\\sub", false, "*", true, max_fsize, min_fsize);

    const std::string precious = read_host(outside / "precious.txt");
    const std::string also = read_host(outside / "sub" / "also.txt");
    fs::remove_all(outside);
    EXPECT_EQ(precious, "precious");
    EXPECT_EQ(also, "also");
    EXPECT_EQ(announced, 0);
}

TEST_F(ShredderTest, TheBusyPointerIsShownForEachCallAndPutBack) {
    std::vector<bool> pointer;
    const engine::HostHooksInPlace hooks({.set_busy_pointer = [&](bool busy) { pointer.push_back(busy); }});
    temp.write_file("C:\\busy\\a.txt", "1");
    temp.write_file("C:\\busy\\b.txt", "2");

    folder_shred("C:\\busy", false, "*", true);

    // One hourglass for the whole folder, not one per file.
    EXPECT_EQ(pointer, (std::vector<bool>{true, false}));
}

// A folder of many files is shredded in batches: overwritten, made durable together, then
// deleted. Nothing of that may show: every file is covered in full, and the deletes, log lines
// and events come in the order a file-by-file run gives them, across batch boundaries too.
TEST_F(ShredderTest, ManyFilesAreShreddedInFullAndAnnouncedInWalkOrder) {
    std::vector<std::string> expected;
    std::vector<fs::path> data;
    auto add = [&](const std::string& folder, int index) {
        const std::string name = "f" + std::to_string(1000 + index) + ".bin";
        temp.write_file(folder + "\\" + name, std::string(static_cast<size_t>(index % 700), 'x'));
        data.push_back(keep_data_of(folder + "\\" + name));
        expected.push_back(name);
    };
    for (int i = 0; i < 150; ++i) add("C:\\many\\sub", i);  // subfolders come first
    for (int i = 150; i < 420; ++i) add("C:\\many", i);
    // Each announcement comes after its own delete, and after its overwrite reached the file.
    std::vector<std::string> early;
    shredder.ShowLog.subscribe([&](std::string& name) {
        const size_t index = shown.size() - 1;
        const std::string folder = index < 150 ? "C:\\many\\sub\\" : "C:\\many\\";
        if (exists(folder + name) || read_host(data[index]) != expected_overwrite(static_cast<size_t>(index % 700)))
            early.push_back(name);
    });

    folder_shred("C:\\many", false, "*", true);

    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(early.empty()) << early.size() << " files were announced before they were overwritten and deleted";
    EXPECT_FALSE(exists("C:\\many"));
    const std::string log = todays_log();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 420);
    size_t at = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string folder = i < 150 ? "C:\\many\\sub\\" : "C:\\many\\";
        at = log.find(" " + folder + expected[i] + "\r\n", at);
        ASSERT_NE(at, std::string::npos) << "log line " << i << " missing or out of order";
    }
}

// A folder is removed after its selected files were shredded, not before: removing it takes
// what is left in it without an overwrite, which only the files passed over may suffer.
TEST_F(ShredderTest, AFolderIsRemovedOnlyAfterItsSelectedFilesWereOverwritten) {
    temp.write_file("C:\\mixed\\sub\\secret.txt", "selected secret");
    temp.write_file("C:\\mixed\\sub\\other.dat", "passed over");
    temp.write_file("C:\\mixed\\top.txt", "selected too");
    const fs::path secret = keep_data_of("C:\\mixed\\sub\\secret.txt");
    const fs::path other = keep_data_of("C:\\mixed\\sub\\other.dat");
    const fs::path top = keep_data_of("C:\\mixed\\top.txt");

    folder_shred("C:\\mixed", false, "txt", true);

    EXPECT_FALSE(exists("C:\\mixed"));
    EXPECT_EQ(read_host(secret), expected_overwrite(15));
    EXPECT_EQ(read_host(top), expected_overwrite(12));
    EXPECT_EQ(read_host(other), "passed over");
    EXPECT_EQ(shown, (std::vector<std::string>{"secret.txt", "top.txt"}));
}

// The listing of a folder is taken before its subfolders are walked, which may take long; a file
// that grew meanwhile is overwritten to its new end, not only as far as the listing said.
TEST_F(ShredderTest, AFileThatGrewAfterTheListingIsOverwrittenToItsEnd) {
    temp.write_file("C:\\grow\\log.txt", std::string(300, 's'));
    const fs::path data = keep_data_of("C:\\grow\\log.txt");
    // Something in the subfolder that cannot be shredded says so while the walk is there.
    fs::create_directories(temp.host("C:\\grow\\sub"));
    ASSERT_EQ(mkfifo((temp.host("C:\\grow\\sub") / "pipe").c_str(), 0644), 0);
    shredder.NotShredded.subscribe([&](std::string&) {
        std::ofstream(temp.host("C:\\grow\\log.txt"), std::ios::app) << std::string(5000, 'g');
    });

    folder_shred("C:\\grow", true, "*", true);

    EXPECT_EQ(not_shredded.size(), 1u);
    EXPECT_FALSE(exists("C:\\grow\\log.txt"));
    EXPECT_EQ(read_host(data), expected_overwrite(5300));
}

// An overwrite that cannot be brought to the disk keeps its file: deleting it would leave the
// secret on the device. The other files of the batch go as usual.
TEST_F(ShredderTest, AFileWhoseOverwriteCannotBeFlushedIsKeptAndTheOthersGo) {
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) temp.write_file(std::string("C:\\flush\\") + name, "x");
    platform::write_faults::fail(platform::write_faults::Step::flush, 3, EIO);

    folder_shred("C:\\flush", true, "*", true);
    platform::write_faults::clear();

    EXPECT_EQ(shown, (std::vector<std::string>{"a.txt", "b.txt", "d.txt"}));
    EXPECT_TRUE(exists("C:\\flush\\c.txt"));
    EXPECT_FALSE(exists("C:\\flush\\a.txt"));
    EXPECT_FALSE(exists("C:\\flush\\d.txt"));
    ASSERT_EQ(not_shredded.size(), 1u);
    EXPECT_NE(not_shredded[0].find("c.txt"), std::string::npos);
    EXPECT_NE(not_shredded[0].find("flushed"), std::string::npos);
    const std::string log = todays_log();
    EXPECT_EQ(log.find("c.txt"), std::string::npos);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);
}

// Read-only and hidden files met by a walk are made writable and shredded like any other.
TEST_F(ShredderTest, AWalkShredsReadOnlyAndHiddenFilesToo) {
    temp.write_file("C:\\attrs\\locked.dat", "private");
    temp.write_file("C:\\attrs\\hidden.dat", "hidden text");
    machine().files().set_attributes("C:\\attrs\\locked.dat", attr::ReadOnly);
    machine().files().set_attributes("C:\\attrs\\hidden.dat", attr::Hidden | attr::System);
    const fs::path locked = keep_data_of("C:\\attrs\\locked.dat");
    const fs::path hidden = keep_data_of("C:\\attrs\\hidden.dat");

    folder_shred("C:\\attrs", true, "*", false);

    EXPECT_EQ(shown, (std::vector<std::string>{"hidden.dat", "locked.dat"}));
    EXPECT_EQ(read_host(locked), expected_overwrite(7));
    EXPECT_EQ(read_host(hidden), expected_overwrite(11));
    EXPECT_TRUE(not_shredded.empty());
}

// Entries a Windows path cannot name, and links that lead nowhere, are not files the walk can
// shred: they stay as they are when only the contents go.
TEST_F(ShredderTest, EntriesAPathCannotNameAndDanglingLinksAreLeftAlone) {
    temp.write_file("C:\\odd\\plain.txt", "x");
    std::ofstream(temp.host("C:\\odd") / "what?.txt") << "odd name";
    fs::create_symlink(temp.host("C:\\odd") / "nowhere", temp.host("C:\\odd") / "dangling.txt");

    folder_shred("C:\\odd", true, "*", true);

    EXPECT_EQ(shown, std::vector<std::string>{"plain.txt"});
    EXPECT_EQ(read_host(temp.host("C:\\odd") / "what?.txt"), "odd name");
    EXPECT_TRUE(fs::is_symlink(temp.host("C:\\odd") / "dangling.txt"));
}

// Shredding the log folder itself shreds today's log too; the lines after that must start a
// new file rather than vanish into the deleted one.
TEST_F(ShredderTest, LinesAfterTodaysLogWasShreddedStartAFreshLog) {
    engine::set_clock([] { return engine::LocalTime{2026, 12, 7, 10, 0, 0}; });
    const std::string logs = "C:\\Program Files\\Orvane\\Logs";
    temp.write_file(logs + "\\1-1-2020_Log.txt", "an old day\r\n");
    temp.write_file(engine::log_file_path(2026, 12, 7), "earlier today\r\n");
    temp.write_file(logs + "\\zz notes.txt", "x");

    folder_shred(logs, true, "*", false);
    const std::string log = todays_log();
    engine::set_clock(nullptr);

    EXPECT_EQ(shown, (std::vector<std::string>{"1-1-2020_Log.txt", "7-12-2026_Log.txt", "zz notes.txt"}));
    EXPECT_EQ(log.find("earlier today"), std::string::npos);
    // Deletes run ahead of the lines: the line of the file before today's log went into that log
    // when it was written before its delete, else into the fresh one. Either way only once.
    const size_t first = log.find("1-1-2020_Log.txt");
    EXPECT_TRUE(first == std::string::npos || log.find("1-1-2020_Log.txt", first + 1) == std::string::npos);
    EXPECT_NE(log.find(engine::log_file_path(2026, 12, 7) + "\r\n"), std::string::npos);
    EXPECT_NE(log.find(logs + "\\zz notes.txt\r\n"), std::string::npos);
}

// A file outside the machine with a second name inside it (a hard link): shredding the name must
// not overwrite the data the outside file still holds. The name goes, and the user is told.
TEST_F(ShredderTest, AHardLinkLosesOnlyItsNameAndTheLogSaysSo) {
    const fs::path outside = temp.dir().parent_path() / (temp.dir().filename().string() + "-outside");
    fs::create_directories(outside);
    std::ofstream(outside / "precious.txt") << "precious";
    fs::create_directories(temp.host("C:\\one"));
    fs::create_hard_link(outside / "precious.txt", temp.host("C:\\one\\hard.txt"));
    fs::create_directories(temp.host("C:\\walk"));
    fs::create_hard_link(outside / "precious.txt", temp.host("C:\\walk\\hard too.txt"));
    temp.write_file("C:\\walk\\own.txt", "own");

    shredder.FileShred("C:\\one\\hard.txt");
    folder_shred("C:\\walk", false, "*", true);

    const std::string precious = read_host(outside / "precious.txt");
    const auto links = fs::hard_link_count(outside / "precious.txt");
    fs::remove_all(outside);
    EXPECT_EQ(precious, "precious");
    EXPECT_EQ(links, 1u);
    EXPECT_FALSE(exists("C:\\one\\hard.txt"));
    EXPECT_FALSE(exists("C:\\walk"));
    const std::string note = engine::GetMessageText("msg62");
    EXPECT_EQ(shown, (std::vector<std::string>{note + " hard.txt", note + " hard too.txt", "own.txt"}));
    const std::string log = todays_log();
    EXPECT_NE(log.find("\t" + note + " C:\\one\\hard.txt\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\t" + note + " C:\\walk\\hard too.txt\r\n"), std::string::npos) << log;
    EXPECT_TRUE(not_shredded.empty());
}

// What is missing, not a file, or outside the machine is not shredded, and says why, in the
// session's language.
TEST_F(ShredderTest, WhatIsNotShreddedIsReportedWithItsReason) {
    const tavrin_test::ScopedEnv german("LC_ALL", "de_DE.UTF-8");
    const fs::path outside = temp.dir().parent_path() / (temp.dir().filename().string() + "-far");
    fs::create_directories(outside);
    std::ofstream(outside / "far.txt") << "far";
    fs::create_directory_symlink(outside, temp.dir() / "dosdevices" / "q:");
    temp.reopen();
    temp.write_file("C:\\folder\\inside.txt", "x");

    shredder.FileShred("C:\\no such file.txt");
    shredder.FileShred("C:\\folder");
    shredder.FileShred("Q:\\far.txt");
    folder_shred("C:\\missing", false, "*", true);
    folder_shred("Q:\\", false, "*", true);
    fs::create_directory_symlink(outside, temp.host("C:\\linked"));  // a folder link leading out
    shredder.FileShred("C:\\linked\\far.txt");
    folder_shred("C:\\linked", false, "*", true);

    const std::string far = read_host(outside / "far.txt");
    fs::remove_all(outside);
    EXPECT_EQ(far, "far");
    ASSERT_EQ(not_shredded.size(), 7u);
    const std::string outside_reason = " (es liegt außerhalb des Maschinenordners; mit --allow-outside-machine";
    for (size_t i : {2u, 4u, 5u, 6u})
        EXPECT_NE(not_shredded[i].find(outside_reason), std::string::npos) << not_shredded[i];
    EXPECT_EQ(not_shredded[0], "Nicht geschreddert, es existiert nicht: C:\\no such file.txt");
    EXPECT_EQ(not_shredded[1], "Nicht geschreddert, es ist ein Ordner: C:\\folder");
    EXPECT_EQ(not_shredded[2].rfind("Abgelehnt, bleibt wie es ist: Q:\\far.txt (", 0), 0u) << not_shredded[2];
    EXPECT_EQ(not_shredded[3], "Ordner nicht geschreddert, er existiert nicht: C:\\missing");
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(exists("C:\\folder\\inside.txt"));
}

// A tree thousands of folders deep: every file shredded and every folder removed, with the
// process allowed far fewer descriptors than the tree has levels.
TEST_F(ShredderTest, ATreeThousandsOfFoldersDeepIsShreddedWhole) {
    constexpr int kDepth = 3000;
    fs::create_directories(temp.host("C:\\deep"));
    int fd = ::open(temp.host("C:\\deep").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < kDepth && fd >= 0; ++level) {
        const int file = openat(fd, "secret.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(file, 0);
        ASSERT_EQ(::write(file, "secret", 6), 6);
        ::close(file);
        ASSERT_EQ(mkdirat(fd, "d", 0755), 0);
        const int child = openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = child;
    }
    ASSERT_GE(fd, 0);
    ::close(fd);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit few = before;
    few.rlim_cur = std::min<rlim_t>(before.rlim_cur, 512);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);

    folder_shred("C:\\deep", false, "*", true);
    setrlimit(RLIMIT_NOFILE, &before);

    EXPECT_FALSE(exists("C:\\deep"));
    EXPECT_EQ(shown.size(), static_cast<size_t>(kDepth));
    EXPECT_TRUE(not_shredded.empty()) << not_shredded.front();
    const std::string log = todays_log();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), kDepth);
}

// HDD.FindFiles

class FindFilesTest : public tavrin_test::MachineTest {
protected:
    FindFilesTest() {
        hdd.Found.subscribe([this](std::string& file) { found.push_back(file); });
    }
    engine::HDD hdd;
    std::vector<std::string> found;
};

TEST_F(FindFilesTest, ReportsTheFolderItsOwnFilesFirstAndAddsToTheCounters) {
    temp.write_file("C:\\find\\one.tmp", "12345");
    temp.write_file("C:\\find\\two.tmp", "123");
    temp.write_file("C:\\find\\other.txt", "ignored");
    temp.write_file("C:\\find\\sub\\three.tmp", "1234567");

    double file_count = 10, dir_count = 20;
    const auto total = hdd.FindFiles("C:\\find", "*.tmp", file_count, dir_count);

    ASSERT_EQ(found.size(), 3u);
    std::vector<std::string> own(found.begin(), found.begin() + 2);
    std::sort(own.begin(), own.end());
    EXPECT_EQ(own, (std::vector<std::string>{"C:\\find\\one.tmp", "C:\\find\\two.tmp"}));
    EXPECT_EQ(found[2], "C:\\find\\sub\\three.tmp");
    EXPECT_EQ(file_count, 13);
    EXPECT_EQ(dir_count, 21);
    EXPECT_EQ(std::get<double>(total), 15.0);
}

TEST_F(FindFilesTest, MatchingFoldersAreCountedButNotReportedAsFound) {
    temp.write_file("C:\\find\\logs.tmp\\inner.txt", "x");
    temp.write_file("C:\\find\\real.tmp", "x");

    double file_count = 0, dir_count = 0;
    hdd.FindFiles("C:\\find\\", "*.tmp", file_count, dir_count);

    EXPECT_EQ(found, std::vector<std::string>{"C:\\find\\real.tmp"});
    EXPECT_EQ(file_count, 2);
    EXPECT_EQ(dir_count, 1);
}

TEST_F(FindFilesTest, NamesWindowsCannotCarryAreSkippedAndLeftAsTheyAre) {
    temp.write_file("C:\\odd\\fine.tmp", "x");
    std::ofstream(temp.host("C:\\odd") / "what?.tmp") << "odd";
    std::ofstream(temp.host("C:\\odd") / "a:b.tmp") << "odd";

    double file_count = 0, dir_count = 0;
    hdd.FindFiles("C:\\odd", "*.tmp", file_count, dir_count);

    EXPECT_EQ(found, std::vector<std::string>{"C:\\odd\\fine.tmp"});
    EXPECT_EQ(file_count, 1);
    EXPECT_EQ(read_host(temp.host("C:\\odd") / "what?.tmp"), "odd");
    EXPECT_EQ(read_host(temp.host("C:\\odd") / "a:b.tmp"), "odd");
}

TEST_F(FindFilesTest, LinkedFoldersAreNotSearched) {
    temp.write_file("C:\\elsewhere\\hidden.tmp", "x");
    temp.write_file("C:\\find\\seen.tmp", "x");
    fs::create_directory_symlink(temp.host("C:\\elsewhere"), temp.host("C:\\find") / "link");

    double file_count = 0, dir_count = 0;
    hdd.FindFiles("C:\\find", "*.tmp", file_count, dir_count);

    EXPECT_EQ(found, std::vector<std::string>{"C:\\find\\seen.tmp"});
    EXPECT_EQ(dir_count, 0);
}

}  // namespace
