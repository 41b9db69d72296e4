// The registry cleaner screen through the program's commands: the finds shown one by one and the
// whole list at the end, repair after the question with the backup list refreshed, restore, the
// backup list at start-up, and the demo traces of a new sandbox.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/demo/demo_traces.h"
#include "app/texts/fill_in.h"
#include "platform/inet/user_folders.h"
#include "platform/text/bar_list.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using tavrin_test::ProgramTest;
using platform::registry::Root;

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kEntry = "HKEY_LOCAL_MACHINE\\" + kUninstall + "\\";

class RegistryScreenTest : public ProgramTest {
protected:
    RegistryScreenTest() { program.start(); }

    std::vector<std::string> values(const std::string& name) const { return stage.values_of(app::kMainMovie, name); }
    void uninstall_key(const std::string& name) {
        machine().registry().create_key(Root::LocalMachine, kUninstall + "\\" + name);
        std::string text = "C:\\gone\\" + name + ".exe";
        std::vector<uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        machine().registry().set_value(Root::LocalMachine, kUninstall + "\\" + name, "UninstallString", 1, data);
    }
    bool key_exists(const std::string& name) { return machine().registry().key_exists(Root::LocalMachine, kUninstall + "\\" + name); }
};

TEST_F(RegistryScreenTest, ABackupListIsPushedAtStartUpEvenWhenEmpty) {
    EXPECT_EQ(values("_root.NumberOfRegItems_Restore"), std::vector<std::string>{"0"});
    EXPECT_EQ(values("_root.NamesOfRegItems_Restore"), std::vector<std::string>{""});
    EXPECT_EQ(values("_root.ShowRegItems_restore"), std::vector<std::string>{"1"});
}

TEST_F(RegistryScreenTest, AScanThatFindsNothingSaysNoErrors) {
    command("IDC_FS_SCAN_REG");
    EXPECT_EQ(main_var("_root.NumberOfRegItems"), "0");
    EXPECT_EQ(main_var("_root.NamesOfRegItems"), "...No Errors...");
    EXPECT_EQ(main_var("_root.ShowRegItems"), "true");
    EXPECT_EQ(values("_root.RegScanRunning"), (std::vector<std::string>{"1", "0"}));
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].message, "Invalid entries found: 0");
}

TEST_F(RegistryScreenTest, OneFindShowsCountOneWhileScanningAndAfter) {
    uninstall_key("Game");
    command("IDC_FS_RESTOREBACK");  // the restore screen's scan is the same scan
    EXPECT_EQ(values("_root.NumberOfRegItems"), (std::vector<std::string>{"1", "1"}));
    EXPECT_EQ(values("_root.NamesOfRegItems"), (std::vector<std::string>{kEntry + "Game", kEntry + "Game"}));
    EXPECT_EQ(values("_root.ShowRegItems"), (std::vector<std::string>{"true", "true"}));
}

TEST_F(RegistryScreenTest, RepairAsksThenBacksUpDeletesAndRefreshesBothLists) {
    for (const char* name : {"Game", "Game Pack", "Tool"}) uninstall_key(name);
    command("IDC_FS_SCAN_REG");
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].message, "Invalid entries found: 3");
    const auto title = text("msg30"), message = text("msg835");

    stage.will_press(text("msg20"));
    command("IDC_FS_CLEAN_REG", "|" + kEntry + "Game|" + kEntry + "Tool|");
    ASSERT_EQ(stage.boxes().size(), 2u);
    EXPECT_EQ(stage.boxes()[1].title, title);
    EXPECT_EQ(stage.boxes()[1].message, message);
    EXPECT_EQ(stage.boxes()[1].sign, app::sign::Warning);
    EXPECT_FALSE(key_exists("Game"));
    EXPECT_FALSE(key_exists("Tool"));
    EXPECT_TRUE(key_exists("Game Pack"));

    // What is left is whole: "Game Pack" keeps its name although "Game" was cut out of the list.
    EXPECT_EQ(main_var("_root.NumberOfRegItems"), "1");
    EXPECT_EQ(main_var("_root.NamesOfRegItems"), kEntry + "Game Pack");
    EXPECT_EQ(main_var("_root.NumberOfRegItems_Restore"), "2");
    EXPECT_EQ(main_var("_root.NamesOfRegItems_Restore"), kEntry + "Game|" + kEntry + "Tool");
    auto lines = stage.values_of(app::kLogMovie, "_root.LogFile");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(text("msg4") + ": ")) << lines.back();
    EXPECT_NE(std::find(lines.begin(), lines.end(), kEntry + "Game"), lines.end()) << "each deletion is shown";

    command("IDC_FS_RESTOREREG", kEntry + "Tool");
    EXPECT_TRUE(key_exists("Tool"));
    EXPECT_EQ(main_var("_root.NumberOfRegItems_Restore"), "1");
    EXPECT_EQ(main_var("_root.NamesOfRegItems_Restore"), kEntry + "Game");
}

// A key with a subkey cannot go (as on Windows): it is not shown as repaired, and its restore
// says in the log what came back.
TEST_F(RegistryScreenTest, AKeyTheRepairHadToKeepStaysOfferedAndRestoreSaysWhatCameBack) {
    uninstall_key("Suite");
    uninstall_key("Tool");
    machine().registry().create_key(Root::LocalMachine, kUninstall + "\\Suite\\Component");
    command("IDC_FS_SCAN_REG");
    ASSERT_EQ(main_var("_root.NumberOfRegItems"), "2");

    stage.will_press(text("msg20"));
    command("IDC_FS_CLEAN_REG", kEntry + "Suite|" + kEntry + "Tool");
    EXPECT_TRUE(key_exists("Suite\\Component"));
    EXPECT_FALSE(key_exists("Tool"));
    EXPECT_EQ(main_var("_root.NumberOfRegItems"), "1");
    EXPECT_EQ(main_var("_root.NamesOfRegItems"), kEntry + "Suite");
    auto lines = stage.values_of(app::kLogMovie, "_root.LogFile");
    EXPECT_NE(std::find(lines.begin(), lines.end(), text("msg201") + " " + kEntry + "Suite"), lines.end());

    command("IDC_FS_RESTOREREG", "|" + kEntry + "Tool|");
    EXPECT_TRUE(key_exists("Tool"));
    lines = stage.values_of(app::kLogMovie, "_root.LogFile");
    EXPECT_NE(std::find(lines.begin(), lines.end(), text("msg203") + " " + kEntry + "Tool"), lines.end());
}

TEST_F(RegistryScreenTest, NoErrorsOrANoAnswerRepairNothing) {
    uninstall_key("Game");
    command("IDC_FS_CLEAN_REG", "...no errors...");
    command("IDC_FS_CLEAN_REG", "");
    EXPECT_TRUE(stage.boxes().empty()) << "not even asked";
    stage.will_press(text("msg21"));
    command("IDC_FS_CLEAN_REG", kEntry + "Game");
    EXPECT_EQ(stage.boxes().size(), 1u);
    EXPECT_TRUE(key_exists("Game"));
    EXPECT_TRUE(tavrin_test::value_names(engine::HKEY_CURRENT_USER, "Software\\lumarq2\\Backups\\Reg").empty());
}

// The whole demo of a new sandbox, as a user sees it: the installed browsers' application paths,
// the valid entries of each kind and the product code are never offered.
TEST_F(RegistryScreenTest, TheDemoTracesShowEveryKindOfStaleEntryAndNoValidOne) {
    app::demo::plant_demo_traces();
    command("IDC_FS_SCAN_REG");
    const std::string version = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    const std::string mru =
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\*\\+Value`= ";
    std::string documents = platform::inet::user_shell_folder(machine(), "Personal");
    const std::vector<std::string> expected = {
        version + "\\SharedDlls\\+Value`= C:\\Program Files\\Old Paint\\paintfx.dll;;Value`=3",
        version + "\\SharedDlls\\+Value`= C:\\WINDOWS\\system32\\oldcodec.ocx;;Value`=1",
        // The uninstall screen's rundll32 entry: a command with arguments after a comma is no path.
        version + "\\Uninstall\\CodecPackUpdate",
        version + "\\Uninstall\\Old Paint 1.0",
        version + "\\Uninstall\\Trial Game",
        version + "\\App Paths\\oldpaint.exe",
        mru + "a;;Value`=C:\\Documents and Settings\\demo\\My Documents\\budget.xls",
        mru + "c;;Value`=" + documents + "\\Old report.doc",
        mru + "d;;Value`=C:\\Temp\\download.zip",
    };
    EXPECT_EQ(platform::text::bar_items(main_var("_root.NamesOfRegItems")), expected);
    EXPECT_EQ(main_var("_root.NumberOfRegItems"), std::to_string(expected.size()));

    // Beside each entry, what a person reads: the key or value, and the file that is missing.
    const auto labels = platform::text::bar_items(main_var("_root.LabelsOfRegItems"));
    const auto notes = platform::text::bar_items(main_var("_root.NotesOfRegItems"));
    ASSERT_EQ(labels.size(), expected.size());
    ASSERT_EQ(notes.size(), expected.size());
    EXPECT_EQ(labels[0], version + "\\SharedDlls: C:\\Program Files\\Old Paint\\paintfx.dll = 3");
    EXPECT_EQ(notes[0], app::fill_in(text("msg830"), {"C:\\Program Files\\Old Paint\\paintfx.dll"}));
    EXPECT_EQ(labels[3], expected[3]);
    EXPECT_EQ(notes[3], app::fill_in(text("msg831"), {"C:\\Program Files\\Old Paint\\unins000.exe"}));
    EXPECT_EQ(notes[5], app::fill_in(text("msg833"), {"C:\\Program Files\\Old Paint\\oldpaint.exe"}));
    EXPECT_EQ(notes[8], app::fill_in(text("msg834"), {"C:\\Temp\\download.zip"}));
    for (const auto& note : notes) EXPECT_FALSE(note.empty());
}

}  // namespace
