// The startup and uninstall screens on a real temporary machine: the list texts, which startup
// entry a name sent back removes, how an uninstall command is taken apart, and the start of an
// uninstaller under a stand-in Wine that changes the registry files while it runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/texts/fill_in.h"
#include "engine/foundation/cregistry.h"
#include "platform/shell/command_line.h"
#include "platform/shell/wine_program.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/program_fixture.h"
#include "tests/unit/support/scoped_env.h"

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;
using platform::shell::split_command_line;
using Args = std::vector<std::string>;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void put(engine::ERegistryClassConstants root, const std::string& key, const std::string& name,
         const engine::Variant& value, engine::ERegistryValueTypes type = engine::REG_SZ) {
    engine::cRegistry().ValueEx(root, key, name, type, engine::Variant(), value);
}

bool has_value(engine::ERegistryClassConstants root, const std::string& key, const std::string& name) {
    const auto names = tavrin_test::value_names(root, key);
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string text_of(engine::ERegistryClassConstants root, const std::string& key, const std::string& name) {
    return engine::cRegistry().ValueEx(root, key, name, engine::REG_SZ, "missing").to_text();
}

void add_program(const std::string& subkey, const std::string& name, const std::string& command) {
    const std::string key = std::string(kUninstall) + "\\" + subkey;
    if (!name.empty()) put(HKEY_LOCAL_MACHINE, key, "DisplayName", name);
    if (!command.empty()) put(HKEY_LOCAL_MACHINE, key, "UninstallString", command);
    if (name.empty() && command.empty()) put(HKEY_LOCAL_MACHINE, key, "Publisher", "someone");
}

class StartupScreensTest : public tavrin_test::ProgramTest {
protected:
    std::vector<std::string> log_lines() const { return stage.values_of(app::kLogMovie, "_root.LogFile"); }
};

TEST(WindowsCommandLine, SplitsAsWindowsProgramsDo) {
    EXPECT_EQ(split_command_line(R"("C:\Program Files\App\uninst.exe" /S)"),
              (Args{R"(C:\Program Files\App\uninst.exe)", "/S"}));
    EXPECT_EQ(split_command_line(R"(  RunDll32 "C:\Delta\d.dll",Uninstall  )"),
              (Args{"RunDll32", R"(C:\Delta\d.dll,Uninstall)"}));
    EXPECT_EQ(split_command_line(R"(MsiExec.exe /X{ABC}  "two words")"), (Args{"MsiExec.exe", "/X{ABC}", "two words"}));
    // The program part knows no escapes; arguments follow the backslash and quote rules.
    EXPECT_EQ(split_command_line(R"("C:\dir\"x a\\\"b c\\\\" d)"), (Args{R"(C:\dir\)", "x", R"(a\"b)", R"(c\\ d)"}));
    EXPECT_EQ(split_command_line(R"(p "a ""quoted"" word" \\server\share)"),
              (Args{"p", R"(a "quoted" word)", R"(\\server\share)"}));
    EXPECT_EQ(split_command_line(R"("unterminated program)"), (Args{"unterminated program"}));
    EXPECT_TRUE(split_command_line("   ").empty());
}

TEST_F(StartupScreensTest, TwoStartupEntriesAreHighestIndexOneAndFourItems) {
    put(HKEY_CURRENT_USER, kRun, "Updater", R"("C:\Program Files\Up\up.exe" /tray)");
    put(HKEY_LOCAL_MACHINE, kRun, "guard", R"(C:\av\guard.exe)");
    program.start();
    EXPECT_EQ(main_var("_root.NumberOfItems_SM"), "1");
    EXPECT_EQ(main_var("_root.NamesOfItems_SM"), R"(UPDATER|C:\PROGRAM FILES\UP\UP.EXE /TRAY|GUARD|C:\AV\GUARD.EXE)");
}

TEST_F(StartupScreensTest, NoEntriesAreMinusOneAndAnEmptyList) {
    program.start();
    EXPECT_EQ(main_var("_root.NumberOfItems_SM"), "-1");
    EXPECT_EQ(main_var("_root.NamesOfItems_SM"), "");
    EXPECT_EQ(main_var("_root.NumberOfItems_UP"), "-1");
    EXPECT_EQ(main_var("_root.NamesOfItems_UP"), "");
}

// Bars in names and commands, empty commands and commands that are no text must not shift the
// names against their commands.
TEST_F(StartupScreensTest, OddEntriesKeepNamesBesideTheirCommands) {
    put(HKEY_CURRENT_USER, kRun, "a|b", "x.exe | y");
    put(HKEY_CURRENT_USER, kRun, "empty", "");
    put(HKEY_LOCAL_MACHINE, kRunOnce, "number", int32_t{7}, engine::REG_DWORD);
    put(HKEY_LOCAL_MACHINE, kRunOnce, "zbytes", engine::Bytes{0x01, 0x7c, 0xff}, engine::REG_BINARY);
    program.start();
    EXPECT_EQ(main_var("_root.NumberOfItems_SM"), "3");
    EXPECT_EQ(main_var("_root.NamesOfItems_SM"), "A/B|X.EXE / Y|EMPTY||NUMBER|7|ZBYTES|01 7C FF");
}

TEST_F(StartupScreensTest, RemovingANameShownInUpperCaseRemovesItFromBothRunKeysOnly) {
    put(HKEY_CURRENT_USER, kRun, "MyTool", "C:\\tool.exe");
    put(HKEY_LOCAL_MACHINE, kRun, "mytool", "C:\\tool.exe /all");
    put(HKEY_LOCAL_MACHINE, kRun, "Other", "C:\\other.exe");
    program.start();
    command("IDC_FS_WHICHITEM", "MYTOOL");
    EXPECT_FALSE(has_value(HKEY_CURRENT_USER, kRun, "MyTool"));
    EXPECT_FALSE(has_value(HKEY_LOCAL_MACHINE, kRun, "mytool"));
    EXPECT_TRUE(has_value(HKEY_LOCAL_MACHINE, kRun, "Other"));
    // Each removal is a line of the log window; the list is pushed again without the entry.
    const auto lines = log_lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("\\Run\\") != std::string::npos; }),
              2);
    EXPECT_EQ(main_var("_root.NumberOfItems_SM"), "0");
    EXPECT_EQ(main_var("_root.NamesOfItems_SM"), "OTHER|C:\\OTHER.EXE");
    EXPECT_TRUE(stage.boxes().empty());
}

TEST_F(StartupScreensTest, ANameWithQuotesAndBarsIsFoundByItsShownForm) {
    put(HKEY_CURRENT_USER, kRun, "Say \"hi\"|now", "hi.exe");
    program.start();
    ASSERT_EQ(main_var("_root.NamesOfItems_SM"), "SAY HI/NOW|HI.EXE");
    command("IDC_FS_WHICHITEM", "SAY HI/NOW");
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, kRun).empty());
    EXPECT_EQ(main_var("_root.NumberOfItems_SM"), "-1");
}

TEST_F(StartupScreensTest, ANameInNeitherRunKeyChangesNothingAndSaysSo) {
    put(HKEY_LOCAL_MACHINE, kRunOnce, "Setup", "setup.exe");
    put(HKEY_CURRENT_USER, kRun, "Kept", "kept.exe");
    program.start();
    for (const char* name : {"SETUP", "NOBODY"}) {
        stage.will_press(text("msg18"));
        command("IDC_FS_WHICHITEM", name);
    }
    ASSERT_EQ(stage.boxes().size(), 2u);
    EXPECT_EQ(stage.boxes()[0].title, text("msg120"));
    EXPECT_EQ(stage.boxes()[0].message, app::fill_in(text("msg121"), {"SETUP"}));
    EXPECT_EQ(stage.boxes()[1].message, app::fill_in(text("msg121"), {"NOBODY"}));
    EXPECT_TRUE(has_value(HKEY_LOCAL_MACHINE, kRunOnce, "Setup"));
    EXPECT_TRUE(has_value(HKEY_CURRENT_USER, kRun, "Kept"));
    EXPECT_FALSE(has_value(HKEY_LOCAL_MACHINE, kRun, "SETUP")) << "nothing is written to delete it again";
    EXPECT_TRUE(log_lines().empty());
}

TEST_F(StartupScreensTest, UninstallListHasNamedProgramsOnlyAndSameNamesInAnyCase) {
    add_program("A", "Alpha \"Tool\"", R"("C:\Alpha\un.exe" /x)");
    add_program("B", "", "b.exe");
    add_program("C", "   ", "c.exe");
    add_program("D", "alpha \"tool\"", "d.exe");
    add_program("E", "Echo", "");
    program.start();
    EXPECT_EQ(main_var("_root.NumberOfItems_UP"), "2");
    EXPECT_EQ(main_var("_root.NamesOfItems_UP"), "ALPHA TOOL|ALPHA TOOL|ECHO");
}

TEST_F(StartupScreensTest, OnTheSandboxAnUninstallerIsNotStartedAndANoticeSaysWhy) {
    add_program("A", "Alpha", R"("C:\Alpha\un.exe" /x)");
    program.start();
    stage.will_press(text("msg18"));
    command("IDC_FS_UNISTALLPROGRAMS", "ALPHA");
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].title, text("msg122"));
    EXPECT_EQ(stage.boxes()[0].message, app::fill_in(text("msg123"), {"Alpha"}));
    // Pushed again after the command: start-up and the command, both with the program listed.
    EXPECT_EQ(stage.values_of(app::kMainMovie, "_root.NamesOfItems_UP"), (std::vector<std::string>{"ALPHA", "ALPHA"}));
}

// A stand-in for Wine on the PATH: it writes down its arguments and whether the program's unsaved
// value had reached user.reg when it started, and adds a key of its own to user.reg, as a Windows
// program run by Wine leaves its changes once the wineserver ends.
class FakeWineTest : public StartupScreensTest {
protected:
    FakeWineTest()
        : bin_(temp.dir().parent_path() / (temp.dir().filename().string() + "-bin")),
          path_("PATH", bin_.string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin")) {
        std::filesystem::create_directories(bin_);
        write_script("wine", R"(#!/bin/sh
printf '%s\n' "$@" > "$WINEPREFIX/wine-args"
if grep -q '"ours"="1"' "$WINEPREFIX/user.reg"; then echo yes > "$WINEPREFIX/wine-saw-ours"; fi
printf '\n[Software\\\\WineWasHere] 1700000000\n"theirs"="2"\n' >> "$WINEPREFIX/user.reg"
)");
        write_script("wineserver", "#!/bin/sh\nexit 0\n");
        // What wineboot leaves in a prefix it has set up.
        std::ofstream(machine().dir() / ".update-timestamp") << "1700000000\n";
    }
    ~FakeWineTest() override { std::filesystem::remove_all(bin_); }

    Args wine_args() const {
        std::ifstream file(temp.dir() / "wine-args");
        Args args;
        for (std::string line; std::getline(file, line);) args.push_back(line);
        return args;
    }
    bool wine_saw_ours() const { return std::filesystem::exists(temp.dir() / "wine-saw-ours"); }

    void write_script(const std::string& name, const std::string& text) {
        std::ofstream(bin_ / name) << text;
        std::filesystem::permissions(bin_ / name, std::filesystem::perms::owner_all);
    }

private:

    std::filesystem::path bin_;
    tavrin_test::ScopedEnv path_;
};

TEST_F(FakeWineTest, AQuotedUninstallerStartsAloneAfterAFlushAndBothSidesChangesStay) {
    add_program("A", "Alpha", R"("C:\Program Files\Alpha\un.exe" /S /quiet)");
    add_program("B", "ALPHA", "b.exe");
    program.start();
    put(HKEY_CURRENT_USER, "Software\\Ours", "ours", "1");
    command("IDC_FS_UNISTALLPROGRAMS", "alpha");
    EXPECT_EQ(wine_args(), (Args{R"(C:\Program Files\Alpha\un.exe)"})) << "the first of the two, without its switches";
    EXPECT_TRUE(wine_saw_ours()) << "the registry was written before Wine started";
    EXPECT_EQ(text_of(HKEY_CURRENT_USER, "Software\\WineWasHere", "theirs"), "2") << "read again after Wine";
    EXPECT_EQ(text_of(HKEY_CURRENT_USER, "Software\\Ours", "ours"), "1");
    EXPECT_TRUE(stage.boxes().empty());
    EXPECT_TRUE(log_lines().empty());
    // Another restart of the machine sees both, so neither side's file write lost the other.
    temp.reopen();
    EXPECT_EQ(text_of(HKEY_CURRENT_USER, "Software\\WineWasHere", "theirs"), "2");
    EXPECT_EQ(text_of(HKEY_CURRENT_USER, "Software\\Ours", "ours"), "1");
}

TEST_F(FakeWineTest, AnUnquotedCommandKeepsItsArgumentsAndAMissingCommandIsSaid) {
    add_program("M", "Msi Thing", "MsiExec.exe /X{1234} \"REBOOT=no\"");
    add_program("N", "No Command", "");
    program.start();
    command("IDC_FS_UNISTALLPROGRAMS", "MSI THING");
    EXPECT_EQ(wine_args(), (Args{"MsiExec.exe", "/X{1234}", "REBOOT=no"}));
    command("IDC_FS_UNISTALLPROGRAMS", "NO COMMAND");
    ASSERT_EQ(log_lines().size(), 1u);
    EXPECT_NE(log_lines()[0].find("No Command has no uninstall command"), std::string::npos) << log_lines()[0];
}

// Wine starts a host program natively, as a Linux program: an uninstall command naming one, by a
// drive that maps out of the machine or by its host path, is refused with a line naming it, and
// Wine is never started for it.
TEST_F(FakeWineTest, AnUninstallerOutsideTheMachineIsRefusedAndNotStarted) {
    std::filesystem::create_directory_symlink("/", machine().dir() / "dosdevices" / "z:");
    add_program("Z", "Zed", R"(Z:\bin\sh -c "touch gone")");
    add_program("S", "Shell", R"(/bin/sh -c "touch gone")");
    program.start();
    command("IDC_FS_UNISTALLPROGRAMS", "ZED");
    command("IDC_FS_UNISTALLPROGRAMS", "SHELL");
    EXPECT_FALSE(std::filesystem::exists(temp.dir() / "wine-args"));
    EXPECT_EQ(log_lines(), (Args{text("msg426") + " Z:\\bin\\sh", text("msg426") + " /bin/sh"}));
}

// A program that leaves something running keeps the wineserver alive: the wait ends at its limit
// with a message, and what Wine has written so far is read.
TEST_F(FakeWineTest, AWineserverThatDoesNotEndIsSaidAndWhatWineWroteIsRead) {
    write_script("wineserver", "#!/bin/sh\nexec sleep 30\n");
    const auto started = std::chrono::steady_clock::now();
    try {
        platform::shell::run_under_wine(machine(), {"setup.exe"}, std::chrono::seconds(1));
        ADD_FAILURE() << "a wineserver that runs on is not a finished program";
    } catch (const platform::shell::WineError& error) {
        EXPECT_NE(std::string(error.what()).find("Wine still runs for"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("wineserver -k"), std::string::npos) << error.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(text_of(HKEY_CURRENT_USER, "Software\\WineWasHere", "theirs"), "2");
}

}  // namespace
