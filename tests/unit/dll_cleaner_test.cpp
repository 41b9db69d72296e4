// The DLL cleaner on a real temporary machine: which copies the scan offers, the search for
// another Windows installation, and removal with backup and restore, two DLLs of one name too.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/features/dll/dll_backup.h"
#include "app/features/dll/dll_scan.h"
#include "app/features/dll/file_walk.h"
#include "app/texts/fill_in.h"
#include "platform/machine/machine.h"
#include "tests/unit/support/extra_drive.h"
#include "tests/unit/support/program_fixture.h"
#include "tests/unit/support/wine_prefix.h"

namespace {

namespace reg = platform::registry;
using Strings = std::vector<std::string>;

constexpr const char* kGuid32 = "{6B7C1F40-2D5E-4A31-9C8E-0F1A2B3C4D01}";
constexpr const char* kGuid64 = "{6B7C1F40-2D5E-4A31-9C8E-0F1A2B3C4D02}";
constexpr const char* kGuidSltg = "{6B7C1F40-2D5E-4A31-9C8E-0F1A2B3C4D03}";

std::string fixture(const std::string& name) {
    std::ifstream in(std::filesystem::path(TAVRIN_FIXTURES_DIR) / "typelib" / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class DllCleanerTest : public tavrin_test::ProgramTest {
protected:
    void put(const std::string& path, const std::string& fixture_name) {
        temp.write_file(path, fixture(fixture_name));
    }
    std::string bytes_at(const std::string& path) {
        std::ifstream in(temp.host(path), std::ios::binary);
        if (!in) return "<missing>";
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void set_default(const std::string& key, const std::string& value) {
        auto& registry = machine().registry();
        registry.create_key(reg::Root::ClassesRoot, key);
        std::string data = value + '\0';
        registry.set_value(reg::Root::ClassesRoot, key, "", reg::type::Sz,
                           {reinterpret_cast<const uint8_t*>(data.data()), data.size()});
    }
    void register_library(const std::string& guid, const std::string& path, const std::string& bitness = "win32") {
        set_default("TypeLib\\" + guid + "\\1.0\\0\\" + bitness, path);
    }
    Strings scan(const std::string& folder) { return app::find_orphan_dlls(machine(), folder); }
    Strings log_lines() const { return stage.values_of(app::kLogMovie, "_root.LogFile"); }
    // A German session: every line and notice must come from the German message file.
    void speak_german() {
        shell().language().select("Deutsch");
        ASSERT_EQ(text("msg474").rfind("Wiederhergestellt", 0), 0u);
    }
};

TEST_F(DllCleanerTest, TheWholeDriveIsScannedAndOnlyStrayCopiesOfRegisteredLibrariesAreListed) {
    put("C:\\Program Files\\Demo\\Demo.dll", "msft32.dll");
    register_library(kGuid32, "c:\\program files\\demo\\DEMO.DLL");  // its own path, other case
    put("C:\\Temp\\old\\demo.dll", "msft32.dll");
    put("C:\\Temp\\Microsoft Shared\\demo.dll", "msft32.dll");  // an excluded folder word, any case
    put("C:\\Temp\\old\\plain.dll", "plain32.dll");             // no type library
    put("C:\\Temp\\old\\unregistered.dll", "msft64.dll");       // library not registered
    put("C:\\Temp\\old\\notes.txt", "msft32.dll");              // not a DLL by name

    EXPECT_EQ(scan("C:\\Temp\\old"), Strings{"C:\\Temp\\old\\demo.dll"}) << "a folder two levels deep scans all of C:";
    EXPECT_EQ(scan("Q:\\"), Strings{}) << "a drive that does not exist";
}

TEST_F(DllCleanerTest, RegisteredPathsAreComparedAfterExpansionAndUncomparableOnesListNothing) {
    put("C:\\WINDOWS\\demo64.dll", "msft64.dll");
    put("C:\\Temp\\demo64.dll", "msft64.dll");
    register_library(kGuid64, "%SystemRoot%\\demo64.dll");
    EXPECT_EQ(scan("C:"), Strings{"C:\\Temp\\demo64.dll"});

    register_library(kGuid64, "\"C:\\Temp\\demo64.dll\"");  // quoted: the copy in Temp is the registered one
    EXPECT_EQ(scan("C:"), Strings{"C:\\WINDOWS\\demo64.dll"});

    register_library(kGuid64, "C:\\PROGRA~1\\demo64.dll");  // a short name cannot be compared
    EXPECT_EQ(scan("C:"), Strings{});
    register_library(kGuid64, "%NOSUCHVARIABLE%\\demo64.dll");
    EXPECT_EQ(scan("C:"), Strings{});
    register_library(kGuid64, "demo64.dll");  // found through the search path: may be either copy
    EXPECT_EQ(scan("C:"), Strings{});

    // Without a usable win32 path the class's server path counts.
    set_default("CLSID\\" + std::string(kGuid64) + "\\InprocServer32", "C:\\WINDOWS\\demo64.dll");
    EXPECT_EQ(scan("C:"), Strings{"C:\\Temp\\demo64.dll"});
}

TEST_F(DllCleanerTest, Win64RegistrationsCountAndTheTwinsOfASystemLibraryAreNoStrayCopies) {
    put("C:\\WINDOWS\\syswow64\\demo.dll", "msft32.dll");
    put("C:\\Stray\\demo.dll", "msft32.dll");
    register_library(kGuid32, "C:\\WINDOWS\\system32\\demo.dll", "win64");
    EXPECT_EQ(scan("C:"), Strings{"C:\\Stray\\demo.dll"}) << "registered for 64-bit programs only";
    // The 32-bit registration as a 32-bit program writes it: system32 is syswow64 for that program.
    register_library(kGuid32, "C:\\WINDOWS\\system32\\demo.dll", "win32");
    EXPECT_EQ(scan("C:"), Strings{"C:\\Stray\\demo.dll"});
    register_library(kGuid32, "C:\\Stray\\demo.dll", "win32");
    EXPECT_EQ(scan("C:"), Strings{}) << "each copy is the registered one of its bitness";
    register_library(kGuid32, "C:\\PROGRA~1\\demo.dll", "win32");
    EXPECT_EQ(scan("C:"), Strings{}) << "one registration that cannot be compared may name either copy";
}

// A 64-bit prefix made by wineboot registers its type libraries for 64-bit programs only. A copy
// of one of them elsewhere is all the scan lists: the system folder is never walked, and the 32-bit
// twins in syswow64 (where Wine has 32-bit support) are the registered files of their bitness.
TEST(DllCleanerWineTest, AStrayCopyOfAWineSystemLibraryIsListedAndNothingElse) {
    std::string why_not;
    const auto prefix = tavrin_test::WinePrefix::make(why_not);
    if (!prefix) GTEST_SKIP() << why_not;
    const auto system32 = prefix->dir() / "drive_c" / "windows" / "system32";
    ASSERT_TRUE(std::filesystem::exists(system32 / "scrrun.dll"));
    std::filesystem::create_directory(prefix->dir() / "drive_c" / "Stray");
    std::filesystem::copy_file(system32 / "scrrun.dll", prefix->dir() / "drive_c" / "Stray" / "scrrun.dll");
    auto machine = platform::Machine::open(prefix->dir());
    EXPECT_EQ(app::find_orphan_dlls(*machine, "C:\\"), Strings{"C:\\Stray\\scrrun.dll"});
}

TEST_F(DllCleanerTest, ALibraryKeyWithoutVersionOrLocaleListsNothing) {
    put("C:\\Temp\\sltg.dll", "sltg32.dll");
    machine().registry().create_key(reg::Root::ClassesRoot, std::string("TypeLib\\") + kGuidSltg);
    EXPECT_EQ(scan("C:"), Strings{});
    machine().registry().create_key(reg::Root::ClassesRoot, std::string("TypeLib\\") + kGuidSltg + "\\1.0");
    EXPECT_EQ(scan("C:"), Strings{});
    register_library(kGuidSltg, "C:\\Lib\\sltg.dll");
    EXPECT_EQ(scan("C:"), Strings{"C:\\Temp\\sltg.dll"}) << "the older library layout is read too";
}

TEST_F(DllCleanerTest, TheScanPushesTheFoundListUntickedAndEnablesTheScreen) {
    put("C:\\Program Files\\Demo\\Demo.dll", "msft32.dll");
    register_library(kGuid32, "C:\\Program Files\\Demo\\Demo.dll");
    put("C:\\Temp\\a\\demo.dll", "msft32.dll");
    put("C:\\Temp\\b\\demo.dll", "msft32.dll");
    app::scanDlls(stage, machine(), "C:\\");
    EXPECT_EQ(main_var("_root.NumberOfDllItems"), "2");
    EXPECT_EQ(main_var("_root.NamesOfDllItems"), "C:\\Temp\\a\\demo.dll|C:\\Temp\\b\\demo.dll");
    EXPECT_EQ(main_var("_root.valueOfDLLItems1"), "false");
    EXPECT_EQ(main_var("_root.ShowDllItems"), "1");
    EXPECT_EQ(main_var("_root.MaxScroll"), "1");
    EXPECT_EQ(main_var("_root.MakeTheGUIDisable"), "false");
}

TEST_F(DllCleanerTest, LinksAreNeverFollowedAndCollectFilesCountsWhatItPasses) {
    put("C:\\Walk\\a.dll", "plain32.dll");
    put("C:\\Walk\\Sub\\b.DLL", "plain32.dll");
    put("C:\\Walk\\Dao\\c.dll", "plain32.dll");
    std::filesystem::create_directory_symlink(temp.host("C:\\Walk\\Sub"), temp.host("C:\\Walk\\Loop"));
    std::string folder = "C:\\Walk", list;
    app::WalkCounts counts;
    uint64_t total = app::collectFiles(machine().files(), folder, "*.dll", counts, list);
    EXPECT_EQ(folder, "C:\\Walk\\");
    EXPECT_EQ(list, "|C:\\Walk\\a.dll|C:\\Walk\\Sub\\b.DLL");
    EXPECT_EQ(counts.files, 3);
    EXPECT_EQ(counts.folders, 2) << "the link is no folder of the walk";
    EXPECT_EQ(total, 3 * fixture("plain32.dll").size());
}

TEST_F(DllCleanerTest, TheScanRowNeedsAFolderAndNeverWalksADriveThatLeadsOutOfTheMachine) {
    program.start();
    EXPECT_EQ(main_var("_root.NumberOfRestoreItems"), "0") << "the restore list is pushed at start-up";
    EXPECT_EQ(main_var("_root.ShowRestoreItems"), "1");
    stage.will_press(text("msg18"));
    command("IDC_FS_DLLCLEANER");
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes().back().message, text("msg9"));

    std::filesystem::create_directory_symlink("/", temp.dir() / "dosdevices" / "z:");
    temp.reopen();
    speak_german();
    stage.will_press(text("msg18"));
    command("IDC_FS_DLL_HD", "Z:\\");
    command("IDC_FS_DLLCLEANER");
    ASSERT_EQ(stage.boxes().size(), 2u);
    EXPECT_EQ(stage.boxes().back().message, app::fill_in(text("msg475"), {"Z:"}));
    EXPECT_EQ(main_var("_root.ShowDllItems"), "") << "no scan ran";
}

TEST_F(DllCleanerTest, RemovingTickedDllsKeepsTheOnesThatStayedAndRefreshesTheRestoreList) {
    put("C:\\Program Files\\Demo\\Demo.dll", "msft32.dll");
    register_library(kGuid32, "C:\\Program Files\\Demo\\Demo.dll");
    put("C:\\Temp\\a\\demo.dll", "msft32.dll");
    put("C:\\Temp\\b\\demo.dll", "msft32.dll");
    program.start();
    command("IDC_FS_DLL_HD", "C:\\");
    stage.will_press(text("msg18"));
    command("IDC_FS_DLLCLEANER");
    ASSERT_EQ(main_var("_root.NumberOfDllItems"), "2");

    EXPECT_EQ(main_var("_root.DLL_BBD"), "1") << "backups are on until the user turns them off";
    const std::string backup = app::dll_backup_folder(shell());
    std::filesystem::remove_all(temp.host(backup));
    temp.write_file(backup.substr(0, backup.size() - 1), "a file where the backup folder belongs");
    stage.will_press(text("msg20"));
    command("IDC_FS_DLL", "C:\\Temp\\a\\demo.dll|C:\\Temp\\b\\demo.dll");
    EXPECT_EQ(main_var("_root.NamesOfDllItems"), "C:\\Temp\\a\\demo.dll|C:\\Temp\\b\\demo.dll")
        << "DLLs that could not be backed up stay, and stay offered";

    std::filesystem::remove(temp.host(backup.substr(0, backup.size() - 1)));
    stage.will_press(text("msg20"));
    command("IDC_FS_DLL", "C:\\Temp\\a\\demo.dll|");
    EXPECT_EQ(main_var("_root.RemoveDllList"), "1");
    EXPECT_EQ(main_var("_root.NamesOfDllItems"), "C:\\Temp\\b\\demo.dll");
    EXPECT_EQ(main_var("_root.NamesOfRestoreItems"), "demo.dll");
}

class ForeignSystemTest : public tavrin_test::MachineTest {};

TEST_F(ForeignSystemTest, AKernelOnAnotherDriveThanTheWindowsFolderIsAForeignSystem) {
    temp.write_file("C:\\WINDOWS\\system32\\KERNEL32.DLL", "x");
    const std::string drive = tavrin_test::add_drive(temp, 'D');
    bool foreign = true;
    app::findForeignSystem(machine().files(), "C:\\", "kernel32.dll", "C:\\WINDOWS", foreign);
    EXPECT_FALSE(foreign);
    app::findForeignSystem(machine().files(), drive, "kernel32.dll", "C:\\WINDOWS", foreign);
    EXPECT_FALSE(foreign) << "no kernel32.dll on D: leaves the flag as it was";
    temp.write_file("D:\\OldWin\\System\\kernel32.dll", "x");
    app::findForeignSystem(machine().files(), drive, "kernel32.dll", "C:\\WINDOWS", foreign);
    EXPECT_TRUE(foreign);
}

TEST_F(DllCleanerTest, ARemovedDllIsBackedUpAndRestoredWithTheSameBytes) {
    put("C:\\A\\x.dll", "msft32.dll");
    app::CleanDLL(shell(), "|C:\\A\\x.dll|", true);
    const std::string backup = app::dll_backup_folder(shell());
    EXPECT_FALSE(std::filesystem::exists(temp.host("C:\\A\\x.dll")));
    EXPECT_EQ(bytes_at(backup + "x.dll"), fixture("msft32.dll"));
    EXPECT_NE(bytes_at(backup + "restore.ini").find("[Restore]\r\nx.dll=C:\\A\\x.dll"), std::string::npos)
        << bytes_at(backup + "restore.ini");
    app::loadRestoreList(shell());
    EXPECT_EQ(main_var("_root.NumberOfRestoreItems"), "1");
    EXPECT_EQ(main_var("_root.NamesOfRestoreItems"), "x.dll");

    std::filesystem::remove_all(temp.host("C:\\A"));  // the folder is gone meanwhile: restore makes it again
    app::restoreDlls(shell(), "|x.dll|");
    EXPECT_EQ(bytes_at("C:\\A\\x.dll"), fixture("msft32.dll"));
    EXPECT_FALSE(std::filesystem::exists(temp.host(backup + "x.dll")));
    app::loadRestoreList(shell());
    EXPECT_EQ(main_var("_root.NumberOfRestoreItems"), "0");
    EXPECT_EQ(main_var("_root.NamesOfRestoreItems"), "");
}

TEST_F(DllCleanerTest, TwoDllsOfOneNameKeepABackupEachAndGoBackWhereTheyCameFrom) {
    put("C:\\A\\x.dll", "msft32.dll");
    put("C:\\B\\x.dll", "msft64.dll");
    app::CleanDLL(shell(), "C:\\A\\x.dll", true);
    app::CleanDLL(shell(), "C:\\B\\x.dll", true);
    app::loadRestoreList(shell());
    EXPECT_EQ(main_var("_root.NamesOfRestoreItems"), "x (2).dll|x.dll");
    app::restoreDlls(shell(), "x.dll|x (2).dll");
    EXPECT_EQ(bytes_at("C:\\A\\x.dll"), fixture("msft32.dll"));
    EXPECT_EQ(bytes_at("C:\\B\\x.dll"), fixture("msft64.dll"));

    // Removed again after the restore, the first DLL takes its old slot back.
    app::CleanDLL(shell(), "C:\\A\\x.dll", true);
    app::loadRestoreList(shell());
    EXPECT_EQ(main_var("_root.NamesOfRestoreItems"), "x.dll");
}

TEST_F(DllCleanerTest, ADllWhoseBackupFailsStaysAndTheRunGoesOn) {
    speak_german();
    put("C:\\A\\y.dll", "msft32.dll");
    app::CleanDLL(shell(), "C:\\A\\missing.dll|C:\\A\\y.dll", true);
    EXPECT_FALSE(std::filesystem::exists(temp.host("C:\\A\\y.dll"))) << "the next DLL is still taken";
    ASSERT_FALSE(log_lines().empty());
    EXPECT_EQ(log_lines().front(), app::fill_in(text("msg470"), {"C:\\A\\missing.dll", text("msg478")}));

    put("C:\\A\\z.dll", "msft64.dll");
    const std::string backup = app::dll_backup_folder(shell());
    std::filesystem::remove_all(temp.host(backup));
    temp.write_file(backup.substr(0, backup.size() - 1), "a file where the backup folder belongs");
    app::CleanDLL(shell(), "C:\\A\\z.dll", true);
    EXPECT_EQ(bytes_at("C:\\A\\z.dll"), fixture("msft64.dll")) << "no backup, no removal";

    app::CleanDLL(shell(), "C:\\A\\z.dll", false);
    EXPECT_FALSE(std::filesystem::exists(temp.host("C:\\A\\z.dll"))) << "without the backup option it goes";
}

TEST_F(DllCleanerTest, ARestoreListNamingUnknownFilesRestoresTheOthers) {
    put("C:\\A\\x.dll", "msft32.dll");
    app::CleanDLL(shell(), "C:\\A\\x.dll", true);
    const std::string backup = app::dll_backup_folder(shell());
    temp.write_file(backup + "stray.dll", "no record of this one");
    speak_german();
    const size_t before = log_lines().size();
    app::restoreDlls(shell(), "|nothere.dll|stray.dll|x.dll|");
    const Strings lines = log_lines();
    ASSERT_GE(lines.size(), before + 3);
    EXPECT_EQ(Strings(lines.begin() + before, lines.begin() + before + 3),
              (Strings{app::fill_in(text("msg471"), {"nothere.dll"}), app::fill_in(text("msg472"), {"stray.dll"}),
                       app::fill_in(text("msg474"), {"C:\\A\\x.dll"})}));
    EXPECT_EQ(bytes_at("C:\\A\\x.dll"), fixture("msft32.dll"));
    EXPECT_EQ(bytes_at(backup + "stray.dll"), "no record of this one") << "a copy with no record stays";
}

TEST_F(DllCleanerTest, ARecordOfOneSlotPerNameRestoresAsBefore) {
    const std::string backup = app::dll_backup_folder(shell());
    temp.write_file(backup + "old.dll", fixture("sltg32.dll"));
    temp.write_file(backup + "restore.ini", "[Restore]\r\nold.dll=C:\\Old Place\\old.dll\r\n");
    app::restoreDlls(shell(), "old.dll");
    EXPECT_EQ(bytes_at("C:\\Old Place\\old.dll"), fixture("sltg32.dll"));
}

}  // namespace
