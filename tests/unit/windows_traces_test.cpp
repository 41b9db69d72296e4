// The Windows traces of Misc_Functions against real keys and files of a temporary machine: what
// each member removes, what it leaves, what the log window hears, and the folders it must never
// empty whatever the registry says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "engine/cleaners/misc_functions.h"
#include "engine/foundation/clock.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/hooks.h"
#include "engine/foundation/logger.h"
#include "engine/foundation/message_text.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/user_environment.h"
#include "platform/registry/registry.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/extra_drive.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;
using platform::registry::Root;

constexpr const char* kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kNtCurrentVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";

std::string read_host(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// An environment variable set for one test and put back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value->c_str(), 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class WindowsTracesTest : public tavrin_test::MachineTest {
protected:
    WindowsTracesTest() { subscribe(misc); }

    void subscribe(engine::Misc_Functions& functions) {
        functions.ShowLog.subscribe([this](std::string& line) { shown.push_back(line); });
    }

    platform::registry::Registry& reg() { return machine().registry(); }
    void put(Root root, const std::string& key, const std::string& name, const std::string& text) {
        reg().create_key(root, key);
        std::vector<uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        reg().set_value(root, key, name, platform::registry::type::Sz, data);
    }
    void put_hkcu(const std::string& key, const std::string& name, const std::string& text) {
        put(Root::CurrentUser, key, name, text);
    }
    void remove_value(Root root, const std::string& key, const std::string& name) {
        reg().delete_value(root, key, name);
    }
    bool key_exists(const std::string& key) { return reg().key_exists(Root::CurrentUser, key); }
    std::string shell_folder(const std::string& name) { return platform::inet::user_shell_folder(machine(), name); }
    bool exists(const std::string& windows_path) { return fs::exists(fs::symlink_status(temp.host(windows_path))); }
    std::string todays_log() {
        auto day = engine::now();
        auto path = temp.host(engine::log_file_path(day.year, day.month, day.day));
        return fs::exists(path) ? read_host(path) : std::string();
    }
    size_t lines_starting(const std::string& message_key) {
        std::string start = engine::GetMessageText(message_key);
        return std::count_if(shown.begin(), shown.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    }

    engine::Misc_Functions misc;
    std::vector<std::string> shown;
};

// Every list of the registry members goes with all its values and subkeys; neighbours stay.
TEST_F(WindowsTracesTest, RegistryListsGoWithEverythingBelowThemAndNeighboursStay) {
    const std::vector<std::string> lists = {
        "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit",
        "Software\\Microsoft\\DirectInput\\MostRecentApplication",
        "Printers\\Connections",
        "Software\\Microsoft\\Direct3D\\MostRecentApplication",
        "Software\\Microsoft\\DirectDraw\\MostRecentApplication",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List",
        "Software\\Microsoft\\Search Assistant\\ACMru",
        "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList",
        "Software\\Microsoft\\MediaPlayer\\Player\\RecentURLList",
        std::string(kExplorer) + "\\TypedPaths",
        std::string(kExplorer) + "\\WordWheelQuery",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List",
    };
    for (const auto& key : lists) {
        put_hkcu(key, "File1", "C:\\secret.txt");
        put_hkcu(key + "\\Nested", "Item", "more");
    }
    put_hkcu("Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\View", "WindowPlacement", "kept");
    put_hkcu("Software\\Microsoft\\MediaPlayer\\Player\\Settings", "Volume", "kept");

    misc.CleanRegEdit();
    misc.DeleteDirectInputMRU();
    misc.CleanPrinterConnections();
    misc.DeleteDirect3DMRU();
    misc.DeleteDirectDrawMRU();
    misc.DeleteMsPaintMRU();
    misc.CleanFindHistory();
    misc.CleanMediaPlayerHistory();
    misc.CleanExplorerTypedPaths();
    misc.CleanExplorerSearchHistory();
    misc.CleanWordpadHistory();

    for (const auto& key : lists) EXPECT_FALSE(key_exists(key)) << key;
    EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\View"),
              std::vector<std::string>{"WindowPlacement"});
    EXPECT_TRUE(key_exists("Software\\Microsoft\\MediaPlayer\\Player\\Settings"));
    // Per list: two values and two keys, each announced and written to the day's log.
    EXPECT_EQ(shown.size(), lists.size() * 4);
    EXPECT_NE(todays_log().find("Recent File List\\File1"), std::string::npos);

    // Lists that are not there are skipped without a word.
    shown.clear();
    misc.CleanRegEdit();
    misc.CleanMediaPlayerHistory();
    EXPECT_TRUE(shown.empty());
}

// Every version's Count key goes, values of any type with it, each named as one key: its value
// names are the counted programs (ROT13), which neither the log window nor the day's log repeats.
TEST_F(WindowsTracesTest, UserAssistCountsGoUnderEveryKeyAndOnlyTheKeysAreLogged) {
    const std::string user_assist = std::string(kExplorer) + "\\UserAssist";
    const std::vector<std::string> counts = {user_assist + "\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count",
                                             user_assist + "\\{CEBFF5CD-ACE2-4F4F-9178-9926F41749EA}\\Count",
                                             user_assist + "\\{F4E57C4B-2036-45F0-A9AB-443BCFE33D9F}\\Count"};
    const std::string counted = "P:\\Jvaqbjf\\frperg.rkr";
    put_hkcu(counts[0], counted, "text where a count belongs");
    reg().create_key(Root::CurrentUser, counts[1]);
    reg().set_value(Root::CurrentUser, counts[1], counted, platform::registry::type::Dword, std::vector<uint8_t>{5, 0, 0, 0});
    reg().set_value(Root::CurrentUser, counts[1], "HRZR_PGYFRFFVBA", platform::registry::type::Binary, std::vector<uint8_t>{1, 2, 3});
    put_hkcu(counts[2] + "\\Odd", counted, "a key Windows never makes");
    put_hkcu(user_assist + "\\{CEBFF5CD-ACE2-4F4F-9178-9926F41749EA}", "Version", "kept");
    put_hkcu(user_assist + "\\Settings", "NoLog", "kept");

    misc.CleanUserAssistHistory();

    for (const auto& key : counts) EXPECT_FALSE(key_exists(key)) << key;
    EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, user_assist + "\\{CEBFF5CD-ACE2-4F4F-9178-9926F41749EA}"),
              std::vector<std::string>{"Version"});
    EXPECT_TRUE(key_exists(user_assist + "\\Settings"));
    for (const auto& line : shown) EXPECT_EQ(line.find("frperg"), std::string::npos) << line;
    EXPECT_EQ(todays_log().find("frperg"), std::string::npos);
    EXPECT_NE(todays_log().find("{CEBFF5CD-ACE2-4F4F-9178-9926F41749EA}\\Count"), std::string::npos);
}

// The jump lists go from wherever Shell Folders puts the Recent folder; the folders and the
// Recent folder's own shortcuts stay.
TEST_F(WindowsTracesTest, JumpListsGoAndTheRecentFoldersOwnShortcutsStay) {
    const std::string recent = shell_folder("Recent");
    temp.write_file(recent + "\\AutomaticDestinations\\1b4dd67f29cb1962.automaticDestinations-ms", "list");
    temp.write_file(recent + "\\CustomDestinations\\1b4dd67f29cb1962.customDestinations-ms", "list");
    temp.write_file(recent + "\\letter.txt.lnk", "shortcut");

    misc.CleanJumpLists();

    EXPECT_TRUE(fs::is_empty(temp.host(recent + "\\AutomaticDestinations")));
    EXPECT_TRUE(fs::is_empty(temp.host(recent + "\\CustomDestinations")));
    EXPECT_TRUE(exists(recent + "\\letter.txt.lnk"));

    // With no Recent folder named, nothing is walked and the log says what was not found.
    remove_value(Root::CurrentUser, kShellFolders, "Recent");
    shown.clear();
    misc.CleanJumpLists();
    EXPECT_EQ(lines_starting("msg80"), 2u);
    EXPECT_TRUE(exists(recent + "\\letter.txt.lnk"));
}

// RunMRU and Network\Connections are deleted as one key: with its values, but not over subkeys.
TEST_F(WindowsTracesTest, SingleKeyMembersTakeTheKeyWithItsValuesButNotOverSubkeys) {
    const std::string run_mru = std::string(kExplorer) + "\\RunMRU";
    put_hkcu(run_mru, "a", "cmd\\1");
    put_hkcu(run_mru, "MRUList", "a");
    put_hkcu("Network\\Connections", "Z", "\\\\server\\share");
    put_hkcu("Network\\Connections\\Y", "RemotePath", "\\\\server\\other");

    misc.CleanRunDialog();
    misc.CleanNetworkConnections();

    EXPECT_FALSE(key_exists(run_mru));
    EXPECT_TRUE(key_exists(std::string(kExplorer)));
    EXPECT_TRUE(key_exists("Network\\Connections\\Y"));
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("RunMRU"), std::string::npos);
}

// The completion event follows every deletion event, and comes when there was nothing to delete.
TEST_F(WindowsTracesTest, CommonDialogCompletedComesAfterItsDeletions) {
    const std::string comdlg = std::string(kExplorer) + "\\ComDlg32";
    std::vector<std::string> events;
    misc.ShowLog.subscribe([&](std::string&) { events.push_back("log"); });
    misc.CleanCommonDialogCompleted.subscribe([&] { events.push_back("completed"); });
    put_hkcu(comdlg + "\\OpenSaveMRU\\txt", "a", "C:\\letter.txt");
    put_hkcu(comdlg + "\\LastVisitedMRU", "MRUList", "a");
    reg().set_value(Root::CurrentUser, comdlg + "\\LastVisitedMRU", "a", platform::registry::type::Binary,
                    std::vector<uint8_t>{0x6e, 0x00, 0x6f, 0x00});
    reg().set_value(Root::CurrentUser, comdlg + "\\LastVisitedMRU", "count", platform::registry::type::Dword,
                    std::vector<uint8_t>{1, 0, 0, 0});
    reg().set_value(Root::CurrentUser, comdlg + "\\OpenSaveMRU", "multi", platform::registry::type::MultiSz,
                    std::vector<uint8_t>{'x', 0, 'y', 0, 0});

    misc.CleanCommonDialog();
    EXPECT_FALSE(key_exists(comdlg));
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.back(), "completed");
    EXPECT_EQ(std::count(events.begin(), events.end(), "completed"), 1);
    // 5 values, 4 keys.
    EXPECT_EQ(events.size(), 10u);

    events.clear();
    misc.CleanCommonDialog();
    EXPECT_EQ(events, std::vector<std::string>{"completed"});
}

// The user's temporary folder is emptied before the Windows one; both folders and their
// subfolders stay.
TEST_F(WindowsTracesTest, CleanTempEmptiesTheUsersTempBeforeTheWindowsTemp) {
    const std::string user_temp = shell_folder("Local Settings") + "\\temp";
    temp.write_file(user_temp + "\\user1.tmp", "u");
    temp.write_file(user_temp + "\\setup\\user2.tmp", "u");
    temp.write_file("C:\\WINDOWS\\temp\\windows.tmp", "w");

    misc.CleanTemp();

    EXPECT_EQ(shown, (std::vector<std::string>{"user2.tmp", "user1.tmp", "windows.tmp"}));
    EXPECT_FALSE(exists(user_temp + "\\user1.tmp"));
    EXPECT_TRUE(exists(user_temp + "\\setup"));
    EXPECT_TRUE(exists("C:\\WINDOWS\\temp"));
    EXPECT_FALSE(exists("C:\\WINDOWS\\temp\\windows.tmp"));
}

// A Wine prefix names no "Local Settings": the user's TEMP, expanded from the machine, is used.
TEST_F(WindowsTracesTest, WithoutLocalSettingsTheUsersTempVariableIsTheFolder) {
    remove_value(Root::CurrentUser, kShellFolders, "Local Settings");
    reg().create_key(Root::CurrentUser, "Environment");
    std::string expandable = "%USERPROFILE%\\Temp";
    std::vector<uint8_t> data(expandable.begin(), expandable.end());
    data.push_back(0);
    reg().set_value(Root::CurrentUser, "Environment", "TEMP", platform::registry::type::ExpandSz, data);
    const std::string user_temp = platform::expand_environment_strings(machine(), expandable);
    ASSERT_EQ(user_temp.find('%'), std::string::npos);
    temp.write_file(user_temp + "\\wine.tmp", "w");
    temp.write_file("C:\\Temp\\other.tmp", "stays");  // what an unexpanded or empty path might hit

    misc.CleanTemp();

    EXPECT_FALSE(exists(user_temp + "\\wine.tmp"));
    EXPECT_TRUE(exists(user_temp));
    EXPECT_TRUE(exists("C:\\Temp\\other.tmp"));
    EXPECT_EQ(shown, std::vector<std::string>{"wine.tmp"});
}

// Missing or empty shell folder values, relative paths and drive roots are never emptied: each
// member says so in the log window and touches nothing.
TEST_F(WindowsTracesTest, MissingOrEmptyFolderValuesNeverReachADriveRoot) {
    remove_value(Root::CurrentUser, kShellFolders, "Local Settings");
    remove_value(Root::CurrentUser, "Environment", "TEMP");
    remove_value(Root::CurrentUser, kShellFolders, "CD Burning");
    put_hkcu(kShellFolders, "Templates", "");
    put_hkcu(kShellFolders, "Recent", "C:\\");
    remove_value(Root::LocalMachine, kNtCurrentVersion, "SystemRoot");
    temp.write_file("C:\\temp\\root.tmp", "stays");
    temp.write_file("C:\\setup.log", "stays");
    temp.write_file("C:\\WINDOWS\\windows.log", "stays");
    temp.write_file("C:\\WINDOWS\\temp\\windows.tmp", "stays");
    temp.write_file("C:\\WINDOWS\\Help\\help.hlp", "stays");

    engine::Misc_Functions no_windows;
    subscribe(no_windows);
    no_windows.CleanTemp();
    no_windows.DeleteCDBurningFolder();
    no_windows.DeleteTemplatesFolder();
    no_windows.CleanRecent();
    no_windows.CleanWindowsLogFiles();
    EXPECT_EQ(no_windows.CleanWindowsHelpFiles(), 0);

    for (const char* kept : {"C:\\temp\\root.tmp", "C:\\setup.log", "C:\\WINDOWS\\windows.log",
                             "C:\\WINDOWS\\temp\\windows.tmp", "C:\\WINDOWS\\Help\\help.hlp"})
        EXPECT_TRUE(exists(kept)) << kept;
    // Unnamed: user temp, Windows temp, CD Burning, Templates, Windows log and help folders.
    EXPECT_EQ(lines_starting("msg80"), 6u);
    // Named but never emptied: the drive root as the Recent folder.
    EXPECT_EQ(lines_starting("msg416"), 1u);
    // The day's log says the same, and has no shredded file.
    EXPECT_NE(todays_log().find(engine::GetMessageText("msg416") + " C:\\"), std::string::npos);
    EXPECT_EQ(todays_log().find(engine::GetMessageText("msg16")), std::string::npos);
}

// Log files of the whole Windows tree go, other files and every folder stay.
TEST_F(WindowsTracesTest, WindowsLogFilesGoFromEveryFolderOfTheWindowsTree) {
    temp.write_file("C:\\WINDOWS\\setupapi.log", "log");
    temp.write_file("C:\\WINDOWS\\Debug\\UserMode\\userenv.log", "log");
    temp.write_file("C:\\WINDOWS\\system32\\config.nt", "keep");
    temp.write_file("C:\\WINDOWS\\notes.log.txt", "keep");
    temp.write_file("C:\\outside.log", "keep");

    misc.CleanWindowsLogFiles();

    EXPECT_FALSE(exists("C:\\WINDOWS\\setupapi.log"));
    EXPECT_FALSE(exists("C:\\WINDOWS\\Debug\\UserMode\\userenv.log"));
    EXPECT_TRUE(exists("C:\\WINDOWS\\Debug\\UserMode"));
    EXPECT_TRUE(exists("C:\\WINDOWS\\system32\\config.nt"));
    EXPECT_TRUE(exists("C:\\WINDOWS\\notes.log.txt"));
    EXPECT_TRUE(exists("C:\\outside.log"));
    EXPECT_EQ(shown, (std::vector<std::string>{"userenv.log", "setupapi.log"}));
}

// Recent documents: the three lists, then the folder's shortcuts and the files of a subfolder;
// the folder and its subfolder stay, and a link that leads nowhere does not stop the walk. Templates goes as a whole; CD Burning is emptied.
TEST_F(WindowsTracesTest, RecentTemplatesAndCDBurningFolders) {
    put_hkcu(std::string(kExplorer) + "\\RecentDocs\\.txt", "0", "letter");
    put_hkcu(std::string(kExplorer) + "\\StreamMRU", "0", "x");
    put_hkcu(std::string(kExplorer) + "\\Streams\\0", "ViewView2", "x");
    const std::string recent = shell_folder("Recent");
    temp.write_file(recent + "\\letter.txt.lnk", "shortcut");
    temp.write_file(recent + "\\Old\\notes.txt", "old");
    fs::create_symlink(temp.host("C:\\gone\\nowhere.txt"), temp.host(recent + "\\dangling.lnk"));
    const std::string templates = shell_folder("Templates");
    temp.write_file(templates + "\\winword.doc", "t");
    const std::string burning = shell_folder("CD Burning");
    ASSERT_FALSE(burning.empty());
    temp.write_file(burning + "\\disc\\track.wav", "t");

    misc.CleanRecent();
    misc.DeleteTemplatesFolder();
    misc.DeleteCDBurningFolder();

    EXPECT_FALSE(key_exists(std::string(kExplorer) + "\\RecentDocs"));
    EXPECT_FALSE(key_exists(std::string(kExplorer) + "\\StreamMRU"));
    EXPECT_FALSE(key_exists(std::string(kExplorer) + "\\Streams"));
    EXPECT_FALSE(exists(recent + "\\letter.txt.lnk"));
    EXPECT_TRUE(fs::is_symlink(temp.host(recent + "\\dangling.lnk")));  // leads nowhere: not a file to shred
    EXPECT_FALSE(exists(recent + "\\Old\\notes.txt"));
    EXPECT_TRUE(exists(recent + "\\Old"));
    EXPECT_FALSE(exists(templates));
    EXPECT_FALSE(exists(burning + "\\disc\\track.wav"));
    EXPECT_TRUE(exists(burning));
    // The registry lists come before the folder's files.
    auto first_file = std::find(shown.begin(), shown.end(), "notes.txt");
    ASSERT_NE(first_file, shown.end());
    EXPECT_TRUE(std::all_of(shown.begin(), first_file,
                            [](const std::string& line) { return line.rfind("HKEY_", 0) == 0 || line.rfind("HKey_", 0) == 0; }));
}

// Allowing changes outside the machine is for the desktop trash and what the user names: a folder
// the registry names that a link takes out of the machine is left as it is, and says why.
TEST_F(WindowsTracesTest, AFolderLinkedOutOfTheMachineStaysWhateverTheOptions) {
    const fs::path outside = temp.dir().parent_path() / (temp.dir().filename().string() + "-burn");
    fs::create_directories(outside);
    std::ofstream(outside / "disc.iso") << "mine";
    tavrin_test::TempMachine allowed({.allow_outside_machine = true});
    const fs::path burning = allowed.host(platform::inet::user_shell_folder(allowed.machine(), "CD Burning"));
    fs::remove_all(burning);
    fs::create_directories(burning.parent_path());
    fs::create_directory_symlink(outside, burning);

    engine::Misc_Functions everywhere;
    subscribe(everywhere);
    everywhere.DeleteCDBurningFolder();
    const bool kept = fs::exists(outside / "disc.iso");
    fs::remove_all(outside);

    EXPECT_TRUE(kept);
    ASSERT_EQ(lines_starting("msg416"), 1u) << ::testing::PrintToString(shown);
    EXPECT_NE(shown.back().find(engine::GetMessageText("msg425") + " " + fs::weakly_canonical(outside).string()),
              std::string::npos)
        << shown.back();
}

class RecycleBinTest : public WindowsTracesTest {
protected:
    fs::path outside_folder(const std::string& name) {
        fs::path folder = temp.dir().parent_path() / (temp.dir().filename().string() + "-" + name);
        fs::create_directories(folder);
        outside_.push_back(folder);
        return folder;
    }
    ~RecycleBinTest() override {
        for (const auto& folder : outside_) fs::remove_all(folder);
    }
    std::vector<fs::path> outside_;
};

TEST_F(RecycleBinTest, RecycleFoldersOfFixedDrivesAreEmptiedAndKept) {
    temp.write_file("C:\\RECYCLER\\S-1-5-21-1\\Dc1.txt", "deleted");
    temp.write_file("C:\\RECYCLER\\S-1-5-21-1\\Dc2\\inner.doc", "deleted folder");
    temp.write_file("C:\\Recycled\\INFO2", "index");
    temp.write_file("C:\\keep.txt", "keep");
    tavrin_test::add_drive(temp, 'D');
    temp.write_file("D:\\$Recycle.Bin\\S-1-5-21-1\\$RABC.txt", "deleted");
    tavrin_test::add_drive(temp, 'E');
    temp.write_file("E:\\RECYCLER\\cd.txt", "on a CD");
    put(Root::LocalMachine, "Software\\Wine\\Drives", "e:", "cdrom");
    machine().flush();
    temp.reopen();

    engine::Misc_Functions functions;
    subscribe(functions);
    EXPECT_EQ(functions.CleanRecycleBin(), 0);

    EXPECT_TRUE(exists("C:\\RECYCLER"));
    EXPECT_TRUE(fs::is_empty(temp.host("C:\\RECYCLER")));
    EXPECT_TRUE(fs::is_empty(temp.host("C:\\Recycled")));
    EXPECT_TRUE(fs::is_empty(temp.host("D:\\$Recycle.Bin")));
    EXPECT_TRUE(exists("C:\\keep.txt"));
    EXPECT_TRUE(exists("E:\\RECYCLER\\cd.txt"));
    EXPECT_EQ(shown.size(), 4u);
}

// A recycle folder that is a link loses the link, never what it leads to; a drive outside the
// machine and the desktop trash are only emptied when changes outside were allowed.
TEST_F(RecycleBinTest, LinksAndPlacesOutsideTheMachine) {
    fs::path target = outside_folder("target");
    std::ofstream(target / "precious.txt") << "precious";
    fs::create_directory_symlink(target, temp.host("C:\\RECYCLER"));
    fs::path drive = outside_folder("drive");
    fs::create_directories(drive / "Recycled");
    std::ofstream(drive / "Recycled" / "Dc1.txt") << "deleted";
    fs::create_directory_symlink(drive, temp.dir() / "dosdevices" / "f:");
    fs::path data_home = outside_folder("data");
    fs::create_directories(data_home / "Trash" / "files" / "old folder");
    fs::create_directories(data_home / "Trash" / "info");
    std::ofstream(data_home / "Trash" / "files" / "old folder" / "a.txt") << "trashed";
    std::ofstream(data_home / "Trash" / "info" / "old folder.trashinfo") << "[Trash Info]";
    ScopedEnv xdg("XDG_DATA_HOME", data_home.string());
    fs::create_directory_symlink(data_home, temp.dir() / "dosdevices" / "y:");
    temp.reopen();

    engine::Misc_Functions inside_only;
    inside_only.CleanRecycleBin();
    EXPECT_FALSE(exists("C:\\RECYCLER"));
    EXPECT_EQ(read_host(target / "precious.txt"), "precious");
    EXPECT_TRUE(fs::exists(drive / "Recycled" / "Dc1.txt"));
    EXPECT_TRUE(fs::exists(data_home / "Trash" / "files" / "old folder" / "a.txt"));

    tavrin_test::TempMachine allowed({.allow_outside_machine = true});
    fs::create_directory_symlink(drive, allowed.dir() / "dosdevices" / "f:");
    fs::create_directory_symlink(data_home, allowed.dir() / "dosdevices" / "y:");
    allowed.reopen();
    engine::Misc_Functions everywhere;
    everywhere.CleanRecycleBin();
    EXPECT_FALSE(fs::exists(drive / "Recycled" / "Dc1.txt"));
    EXPECT_TRUE(fs::exists(drive / "Recycled"));
    EXPECT_TRUE(fs::is_empty(data_home / "Trash" / "files"));
    EXPECT_TRUE(fs::is_empty(data_home / "Trash" / "info"));
}

// A file the shredder cannot write stays where it is and the log window says which and why.
TEST_F(RecycleBinTest, AFileThatCannotBeShreddedStaysWithALogLine) {
    tavrin_test::add_drive(temp, 'D');
    temp.write_file("D:\\RECYCLER\\tiny.txt", "12345");
    temp.write_file("D:\\RECYCLER\\big.bin", std::string(4096, 'x'));
    // No room left for the short file to take its overwrite.
    machine().files().set_quota('d', fs::file_size(temp.host("D:\\RECYCLER\\big.bin")) + 5);

    misc.CleanRecycleBin();

    EXPECT_TRUE(exists("D:\\RECYCLER\\tiny.txt"));
    EXPECT_FALSE(exists("D:\\RECYCLER\\big.bin"));
    // The one line for it names the file and why; the other file was shredded and announced.
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(),
                            [](const std::string& line) { return line.find("D:\\RECYCLER\\tiny.txt") != std::string::npos; }),
              1);
    EXPECT_NE(std::find(shown.begin(), shown.end(), "big.bin"), shown.end());
}

// Without a desktop there is no clipboard; with one, the desktop's tool clears it, and a missing
// tool is a line in the log window, not a failure.
TEST_F(WindowsTracesTest, ClipboardIsClearedThroughTheDesktopsTool) {
    ScopedEnv no_x("DISPLAY", std::nullopt);
    {
        ScopedEnv no_wayland("WAYLAND_DISPLAY", std::nullopt);
        misc.CleanClipboard();
        EXPECT_TRUE(shown.empty());
    }
    ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-test");
    fs::path tools = temp.dir().parent_path() / (temp.dir().filename().string() + "-tools");
    fs::create_directories(tools);
    {
        ScopedEnv path("PATH", tools.string());
        misc.CleanClipboard();
        EXPECT_EQ(lines_starting("msg84"), 1u);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_NE(shown[0].find("wl-copy"), std::string::npos);
    }
    std::ofstream(tools / "wl-copy") << "#!/bin/sh\necho \"$@\" > \"" << (tools / "called").string() << "\"\n";
    fs::permissions(tools / "wl-copy", fs::perms::owner_all);
    {
        ScopedEnv path("PATH", tools.string());
        misc.CleanClipboard();
    }
    EXPECT_EQ(read_host(tools / "called"), "--clear\n");
    EXPECT_EQ(shown.size(), 1u);
    fs::remove_all(tools);
}

// The shell utilities go through the program's dialog and browser; without a program, nothing.
TEST_F(WindowsTracesTest, FolderDialogAndWebAddressGoThroughTheProgram) {
    EXPECT_EQ(misc.BrowseForFolder(0), "");
    misc.OpenWeb("https://example.org/");  // nothing to open it with: nothing happens

    std::string title;
    std::vector<std::string> opened;
    std::optional<std::string> answer = std::string("C:\\Chosen\0padding", 17);
    const engine::HostHooksInPlace hooks({.browse_folder =
                                              [&](const std::string& shown_title) {
                                                  title = shown_title;
                                                  return answer;
                                              },
                                          .open_address = [&](const std::string& address) { opened.push_back(address); }});
    EXPECT_EQ(misc.BrowseForFolder(0), "C:\\Chosen");
    EXPECT_EQ(title, "C:\\");
    answer.reset();
    EXPECT_EQ(misc.BrowseForFolder(0), "");
    misc.OpenWeb("https://example.org/");
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/"});
}

}  // namespace
