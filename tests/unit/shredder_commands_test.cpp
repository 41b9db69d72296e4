// The shredder screen through the program's commands: collecting files and folders, the
// questions, shredding lists, a drive or its free space, and the files of one type.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/texts/fill_in.h"
#include "engine/foundation/clock.h"
#include "engine/foundation/logger.h"
#include "tests/unit/support/extra_drive.h"
#include "tests/unit/support/program_fixture.h"

namespace {

namespace fs = std::filesystem;
using tavrin_test::ProgramTest;

class ShredderCommandsTest : public ProgramTest {
protected:
    ShredderCommandsTest() { program.start(); }

    bool exists(const std::string& windows_path) const { return fs::exists(temp.host(windows_path)); }
    std::vector<std::string> values(const std::string& name) const { return stage.values_of(app::kMainMovie, name); }
    std::vector<std::string> log_window_lines() const { return stage.values_of(app::kLogMovie, "_root.LogFile"); }
    bool logged(const std::string& text) const {
        auto lines = log_window_lines();
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }
    void add_file(const std::string& path) {
        stage.will_choose_file(path);
        command("IDC_FS_ADDFILETOSHRED");
    }
    void add_folder(const std::string& path) {
        stage.will_choose_folder(path);
        command("IDC_FS_ADDFOLDERSTOSHRED");
    }
    // "All done: 2 shredded, 0 not shredded." in the language of the moment.
    std::string completion(int shredded, int not_shredded) {
        std::string done = text("msg63");
        done.replace(done.find("%1"), 2, std::to_string(shredded));
        done.replace(done.find("%2"), 2, std::to_string(not_shredded));
        return done;
    }
    std::string todays_log() {
        const auto day = engine::now();
        std::ifstream in(temp.host(engine::log_file_path(day.year, day.month, day.day)), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Answers the next question and then the completion notice.
    void answer_yes_then_ok() {
        stage.will_press(text("msg20"));
        stage.will_press(text("msg18"));
    }
};

// --- Collecting the lists --------------------------------------------------------------------

TEST_F(ShredderCommandsTest, AFileIsAnnouncedOnceUntilItIsRemovedFromTheList) {
    add_file("C:\\secret.txt");
    add_file("C:\\secret.txt");
    add_file("c:\\SECRET.TXT");  // the same file, as Windows names go
    EXPECT_EQ(values("_root.CurrentItem_SFI"), std::vector<std::string>{"C:\\secret.txt"});
    EXPECT_EQ(values("_root.DoAdd_SFI"), std::vector<std::string>{"true"});

    command("IDC_FS_SHREDFILESDEL", "C:\\secret.txt");
    add_file("C:\\secret.txt");
    EXPECT_EQ(values("_root.CurrentItem_SFI").size(), 2u);
}

TEST_F(ShredderCommandsTest, ANameThatIsPartOfAnotherIsStillItsOwnFile) {
    add_file("C:\\report.txt.bak");
    add_file("C:\\report.txt");
    EXPECT_EQ(values("_root.CurrentItem_SFI"), (std::vector<std::string>{"C:\\report.txt.bak", "C:\\report.txt"}));
    // Removing the shorter one leaves the longer one in the list.
    command("IDC_FS_SHREDFILESDEL", "C:\\report.txt");
    add_file("C:\\report.txt.bak");
    EXPECT_EQ(values("_root.CurrentItem_SFI").size(), 2u);
}

TEST_F(ShredderCommandsTest, CancelledBlankOrDriveRootChoicesAreNotTakenButAShortFolderIs) {
    stage.will_choose_file(std::nullopt);
    command("IDC_FS_ADDFILETOSHRED");
    add_file("   ");
    stage.will_choose_folder(std::nullopt);
    command("IDC_FS_HD_BROWSE");
    EXPECT_TRUE(values("_root.DoAdd_SFI").empty());
    EXPECT_TRUE(values("_root.PathValue").empty());

    add_folder("C:\\");
    add_folder("C:\\a");
    add_folder("C:\\a");
    EXPECT_EQ(values("_root.CurrentItem_SFO"), std::vector<std::string>{"C:\\a"});
    EXPECT_EQ(values("_root.DoAdd_SFO"), std::vector<std::string>{"true"});

    stage.will_choose_folder("C:\\Temp");
    command("IDC_FS_HD_BROWSE");
    EXPECT_EQ(main_var("_root.PathValue"), "C:\\Temp");
}

// --- Shredding the lists ---------------------------------------------------------------------

TEST_F(ShredderCommandsTest, ShreddingFilesAsksThenLogsEachFileAndEmptiesThePendingList) {
    temp.write_file("C:\\work\\a.txt", "alpha");
    temp.write_file("C:\\work\\b.doc", "beta");
    temp.write_file("C:\\work\\keep.txt", "kept");
    add_file("C:\\work\\a.txt");
    add_file("C:\\work\\b.doc");

    // The question is asked in the language of the moment; the log window may change it later.
    const auto title = text("msg27"), message = text("msg7");
    answer_yes_then_ok();
    command("IDC_FS_SHREDFILES", "|C:\\work\\a.txt|C:\\work\\b.doc|");
    EXPECT_FALSE(exists("C:\\work\\a.txt"));
    EXPECT_FALSE(exists("C:\\work\\b.doc"));
    EXPECT_TRUE(exists("C:\\work\\keep.txt"));

    ASSERT_FALSE(stage.boxes().empty());
    const auto& question = stage.boxes().front();
    EXPECT_EQ(question.title, title);
    EXPECT_EQ(question.message, message);
    EXPECT_EQ(question.sign, app::sign::Notice);
    EXPECT_EQ(log_window_lines(), (std::vector<std::string>{"a.txt", "b.doc", completion(2, 0)}));
    EXPECT_EQ(stage.get_variable(app::kLogMovie, "_root.ViewLogBtn"), "1");
    EXPECT_EQ(main_var("shred_SFI_Now"), "1");
    // The list was handed over: the same file can be added again.
    add_file("C:\\work\\a.txt");
    EXPECT_EQ(values("_root.CurrentItem_SFI").size(), 3u);
}

TEST_F(ShredderCommandsTest, NoToTheQuestionKeepsTheFilesAndThePendingListAndOnePathNeedsNoSeparator) {
    temp.write_file("C:\\work\\a.txt", "alpha");
    add_file("C:\\work\\a.txt");
    stage.will_press(text("msg21"));
    command("IDC_FS_SHREDFILES", "C:\\work\\a.txt");
    EXPECT_TRUE(exists("C:\\work\\a.txt"));
    EXPECT_TRUE(values("shred_SFI_Now").empty());
    EXPECT_TRUE(log_window_lines().empty());
    add_file("C:\\work\\a.txt");
    EXPECT_EQ(values("_root.CurrentItem_SFI").size(), 1u);

    answer_yes_then_ok();
    command("IDC_FS_SHREDFILES", "C:\\work\\a.txt");
    EXPECT_FALSE(exists("C:\\work\\a.txt"));
    EXPECT_TRUE(logged("a.txt"));
}

TEST_F(ShredderCommandsTest, ShreddingFoldersRemovesThemWithEverythingInside) {
    temp.write_file("C:\\old\\top.txt", "1");
    temp.write_file("C:\\old\\deep\\er\\inner.log", "2");
    temp.write_file("C:\\other\\stays.txt", "3");
    add_folder("C:\\old");
    const auto title = text("msg28");

    answer_yes_then_ok();
    command("IDC_FS_SHREDFOLDERS", "|C:\\old|");
    EXPECT_FALSE(exists("C:\\old"));
    EXPECT_TRUE(exists("C:\\other\\stays.txt"));
    EXPECT_EQ(stage.boxes().front().title, title);
    EXPECT_TRUE(logged("top.txt"));
    EXPECT_TRUE(logged("inner.log"));
    EXPECT_EQ(main_var("shred_SFO_Now"), "1");
}

// A list item that is missing, or lies outside the machine, is not shredded: the user reads
// which and why in the log window and the day's log file, and the end counts them.
TEST_F(ShredderCommandsTest, ItemsThatCannotBeShreddedAreListedAndCounted) {
    const fs::path outside = temp.dir().parent_path() / (temp.dir().filename().string() + "-outside");
    fs::create_directories(outside / "folder");
    std::ofstream(outside / "far.txt") << "far";
    fs::create_directory_symlink(outside, temp.dir() / "dosdevices" / "q:");
    temp.reopen();
    temp.write_file("C:\\work\\a.txt", "alpha");
    temp.write_file("C:\\old\\b.txt", "beta");

    answer_yes_then_ok();
    command("IDC_FS_SHREDFILES", "|C:\\work\\a.txt|C:\\work\\gone.txt|Q:\\far.txt|");
    answer_yes_then_ok();
    command("IDC_FS_SHREDFOLDERS", "|C:\\old|C:\\never|Q:\\folder|");
    const bool far_kept = fs::exists(outside / "far.txt") && fs::exists(outside / "folder");
    fs::remove_all(outside);

    EXPECT_TRUE(far_kept);
    EXPECT_FALSE(exists("C:\\work\\a.txt"));
    EXPECT_FALSE(exists("C:\\old"));
    const auto lines = log_window_lines();
    const std::string label = text("msg61") + " ";
    std::vector<std::string> refused;
    for (const auto& line : lines)
        if (line.starts_with(label)) refused.push_back(line);
    ASSERT_EQ(refused.size(), 4u) << ::testing::PrintToString(lines);
    EXPECT_NE(refused[0].find("C:\\work\\gone.txt"), std::string::npos) << refused[0];
    EXPECT_NE(refused[1].find("Q:\\far.txt"), std::string::npos) << refused[1];
    EXPECT_NE(refused[1].find("outside the machine folder"), std::string::npos) << refused[1];
    EXPECT_NE(refused[2].find("C:\\never"), std::string::npos) << refused[2];
    EXPECT_NE(refused[3].find("Q:\\folder"), std::string::npos) << refused[3];
    EXPECT_TRUE(logged(completion(1, 2)));
    EXPECT_EQ(lines.back(), completion(1, 2));
    const std::string log = todays_log();
    for (const auto& line : refused)
        EXPECT_NE(log.find("\t" + line + "\r\n"), std::string::npos) << line << "\n" << log;
}

// The page may send any folder: a drive root, the Windows folder or the machine folder itself
// (through a drive that maps outside, allowed or not) are refused with the reason, and nothing
// of the drive goes, the program's own message files included.
TEST_F(ShredderCommandsTest, FoldersTheScreenNeverTakesAreRefusedWithTheirReason) {
    temp.write_file("C:\\keep.txt", "keep");
    temp.write_file("C:\\WINDOWS\\system.ini", "keep");
    fs::create_directory_symlink(temp.dir().parent_path(), temp.dir() / "dosdevices" / "q:");
    temp.reopen();
    const std::string machine_folder = "Q:\\" + temp.dir().filename().string();

    answer_yes_then_ok();
    command("IDC_FS_SHREDFOLDERS", "|C:\\|C:\\WINDOWS|" + machine_folder + "|");

    EXPECT_TRUE(exists("C:\\keep.txt"));
    EXPECT_TRUE(exists("C:\\WINDOWS\\system.ini"));
    EXPECT_TRUE(exists("C:\\Program Files\\Orvane\\skin\\msgs.ini"));
    const std::string refused = text("msg61") + " " + text("msg416") + " ";
    EXPECT_TRUE(logged(refused + "C:\\ (" + text("msg421") + ")"));
    EXPECT_TRUE(logged(refused + "C:\\WINDOWS (" + text("msg422") + ")"));
    EXPECT_TRUE(logged(refused + machine_folder + " (" + text("msg420") + " " + fs::canonical(temp.dir()).string() + ")"))
        << ::testing::PrintToString(log_window_lines());
    EXPECT_EQ(log_window_lines().back(), completion(0, 3));
}

// --- A whole drive ---------------------------------------------------------------------------

class DriveShredTest : public ShredderCommandsTest {
protected:
    DriveShredTest() { drive = tavrin_test::add_drive(temp, 'D'); }
    // The question's text with the drive where the message file says "%1".
    std::string question_about(const std::string& key, const std::string& drive_name) {
        std::string message = text(key);
        const auto at = message.find("%1");
        EXPECT_NE(at, std::string::npos) << key;
        return at == std::string::npos ? message : message.replace(at, 2, drive_name);
    }
    std::string drive;
};

TEST_F(DriveShredTest, WithoutAChosenDriveOnlyTheNoticeIsShown) {
    stage.will_press(text("msg18"));
    command("IDC_FS_SHREDDRIVE");
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].message, text("msg9"));
    EXPECT_EQ(stage.boxes()[0].title, text("msg29"));
    EXPECT_EQ(stage.boxes()[0].sign, app::sign::Notice);
    EXPECT_TRUE(values("_root.MakeTheGUIDisable").empty());
    EXPECT_EQ(values("_root.ProgressBarState"), std::vector<std::string>{"0"});  // the start value
}

TEST_F(DriveShredTest, FreeSpaceOnlyWipesTheSpaceAndLeavesEveryFile) {
    machine().files().set_quota('D', 25'000'000);
    temp.write_file("D:\\docs\\letter.txt", "dear");
    command("IDC_FS_SH_SFSO", "true");
    command("IDC_FS_SH_SFSO", "maybe");  // any other text leaves the choice
    command("IDC_FS_HD_SHRED", drive);
    const auto message = question_about("msg65", "D:");
    const auto title = text("msg29");
    answer_yes_then_ok();
    command("IDC_FS_SHREDDRIVE");

    EXPECT_TRUE(exists("D:\\docs\\letter.txt"));
    EXPECT_EQ(stage.boxes().front().message, message);
    EXPECT_EQ(stage.boxes().front().title, title);
    EXPECT_EQ(stage.boxes().front().sign, app::sign::Warning);
    EXPECT_EQ(values("_root.MakeTheGUIDisable"), (std::vector<std::string>{"true", "false"}));
    EXPECT_EQ(values("_root.ProgressBarState"), (std::vector<std::string>{"0", "1", "0"}));
    // The wipe's progress reaches the page as it goes.
    EXPECT_EQ(values("_root.ProgressPercent"), (std::vector<std::string>{"40", "80", "100"}));
    EXPECT_EQ(values("_root.RunCancellable"), (std::vector<std::string>{"1", "0"}));
    // The screen's hourglass for the whole command, the engine's for its wipe inside it.
    EXPECT_EQ(stage.busy_history(), (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(log_window_lines().back(), app::fill_in(text("msg806"), {"D:"}));
    for (const auto& entry : fs::directory_iterator(tavrin_test::drive_folder(temp, 'D')))
        EXPECT_FALSE(entry.path().filename().string().starts_with("TmpShred"));
}

TEST_F(DriveShredTest, WithoutTheFlagEveryFileOnTheDriveIsShredded) {
    temp.write_file("D:\\top.txt", "1");
    temp.write_file("D:\\docs\\deep\\big.bin", std::string(100'000, 'x'));
    command("IDC_FS_SH_SFSO", "true");
    command("IDC_FS_SH_SFSO", "false");
    command("IDC_FS_HD_SHRED", drive);
    const auto message = question_about("msg64", "D:");
    answer_yes_then_ok();
    command("IDC_FS_SHREDDRIVE");

    // The question says what a yes does, to which drive.
    EXPECT_EQ(stage.boxes().front().message, message);
    EXPECT_NE(message.find("Every file on drive D: will be overwritten and deleted"), std::string::npos);
    EXPECT_FALSE(exists("D:\\top.txt"));
    EXPECT_FALSE(exists("D:\\docs"));
    EXPECT_TRUE(fs::exists(tavrin_test::drive_folder(temp, 'D')));
    EXPECT_TRUE(logged("big.bin"));
    EXPECT_TRUE(values("_root.ProgressPercent").empty());
}

TEST_F(DriveShredTest, AFailedWipeIsReportedAndTheScreenComesBack) {
    command("IDC_FS_SH_SFSO", "true");
    command("IDC_FS_HD_SHRED", "Q:\\");  // no such drive
    answer_yes_then_ok();
    command("IDC_FS_SHREDDRIVE");
    auto lines = log_window_lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_FALSE(lines[0].empty());
    EXPECT_EQ(lines[1], text("msg4"));
    EXPECT_EQ(values("_root.MakeTheGUIDisable").back(), "false");
    EXPECT_EQ(main_var("_root.ProgressBarState"), "0");
}

// --- The files of one type -------------------------------------------------------------------

class FilesOfOneTypeTest : public ShredderCommandsTest {
protected:
    FilesOfOneTypeTest() {
        temp.write_file("C:\\data\\small.tmp", std::string(1000, 's'));
        temp.write_file("C:\\data\\large.tmp", std::string(3 << 20, 'l'));
        temp.write_file("C:\\data\\note.txt", "n");
        temp.write_file("C:\\data\\sub\\inner.tmp", "i");
        stage.set_variable(app::kMainMovie, "_root.PathValue", "C:\\data");
    }
    void shred_type(const std::string& type, const std::string& options) {
        stage.set_variable(app::kMainMovie, "_root.FileTypeValue", type);
        stage.will_press(text("msg18"));
        command("IDC_FS_DELETE", options);
    }
};

TEST_F(FilesOfOneTypeTest, AnyTypeAndSizeTakesTheFolderItselfOnly) {
    shred_type("*", "0,0,0,0");
    EXPECT_FALSE(exists("C:\\data\\small.tmp"));
    EXPECT_FALSE(exists("C:\\data\\large.tmp"));
    EXPECT_TRUE(exists("C:\\data\\sub\\inner.tmp"));
    EXPECT_TRUE(exists("C:\\data"));
    // Only the completion line, which says what went.
    ASSERT_EQ(log_window_lines().size(), 1u);
    EXPECT_TRUE(log_window_lines()[0].starts_with(text("msg4") + ": ")) << log_window_lines()[0];
}

TEST_F(FilesOfOneTypeTest, TypeAndSizeBoundsInMegabytesSelectTheFiles) {
    // At most 2 MB, at least 0: the large one stays.
    shred_type("tmp", "0,0,2,0");
    EXPECT_FALSE(exists("C:\\data\\small.tmp"));
    EXPECT_TRUE(exists("C:\\data\\large.tmp"));
    EXPECT_TRUE(exists("C:\\data\\note.txt"));
}

TEST_F(FilesOfOneTypeTest, ShortOrUnreadableOptionListsTouchNothing) {
    for (const char* options : {"0,0,0", "0,0,abc,0", "0,0, ,0", ""}) shred_type("*", options);
    EXPECT_TRUE(exists("C:\\data\\small.tmp"));
    EXPECT_TRUE(exists("C:\\data\\note.txt"));
    // Blanks around a number are fine.
    shred_type("txt", "0,0, 1 , 0 ");
    EXPECT_FALSE(exists("C:\\data\\note.txt"));
}

}  // namespace
