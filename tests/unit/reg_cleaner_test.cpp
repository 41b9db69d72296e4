// Reg_Cleaner on real temporary machines: the entry texts to the character, the four scans
// against real files and folders, repair and restore round trips that compare whole keys, old
// one-space backups, and entry texts or backups that were not made by the cleaner.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "engine/foundation/message_text.h"
#include "engine/regcleaner/backup_store.h"
#include "engine/regcleaner/reg_cleaner.h"
#include "engine/regcleaner/registry_copy.h"
#include "platform/fs/fs.h"
#include "platform/sys/run_cancel.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using namespace engine;
using namespace engine::regcleaner;
using platform::registry::Root;
namespace type = platform::registry::type;

const std::string kShared = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string kMru = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\*";
const std::string kHklm = "HKEY_LOCAL_MACHINE\\";

std::vector<uint8_t> sz(std::string_view text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

std::vector<uint8_t> dword(uint32_t number) {
    return {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number >> 16),
            static_cast<uint8_t>(number >> 24)};
}

class RegCleanerTest : public tavrin_test::MachineTest {
protected:
    void SetUp() override {
        cleaner.FoundError.subscribe([this](std::string& text) { found.push_back(text); });
        cleaner.Completed.subscribe([this](std::string& text) { completed.push_back(text); });
        cleaner.ShowLog.subscribe([this](std::string& text) { log.push_back(text); });
    }

    platform::registry::Registry& reg() { return machine().registry(); }
    void put(Root root, const std::string& key, const std::string& name, uint32_t value_type,
             std::vector<uint8_t> data) {
        reg().create_key(root, key);
        ASSERT_EQ(reg().set_value(root, key, name, value_type, data), platform::registry::Status::Ok);
    }
    void put_text(Root root, const std::string& key, const std::string& name, const std::string& text) {
        put(root, key, name, type::Sz, sz(text));
    }
    // The whole key as the registry holds it: values with types and data, subkeys below.
    RegistryExport whole(ERegistryClassConstants root, const std::string& key) {
        RegistryExport copy;
        copy_key_tree(root, key, copy);
        return copy;
    }
    std::string scan() {
        completed.clear();
        cleaner.ScanRegistry();
        EXPECT_EQ(completed.size(), 1u);
        return completed.empty() ? "" : completed.back();
    }
    bool logged(std::string_view message_key, const std::string& subject) {
        std::string line = GetMessageText(message_key) + " " + subject;
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    Reg_Cleaner cleaner;
    std::vector<std::string> found, completed, log;
};

TEST_F(RegCleanerTest, NothingToFindGivesTheEmptyList) {
    EXPECT_EQ(scan(), "");
    EXPECT_TRUE(found.empty());
}

TEST_F(RegCleanerTest, EntryTextsToTheCharacter) {
    put(Root::LocalMachine, kShared, "C:\\gone.dll", type::Dword, dword(3));
    put_text(Root::LocalMachine, kUninstall + "\\Old Game", "UninstallString", "C:\\Games\\uninst.exe");
    put_text(Root::CurrentUser, kMru, "a", "\"C:\\My Documents\\lost.txt\"");

    EXPECT_EQ(scan(), "|" + kHklm + kShared + "\\+Value`= C:\\gone.dll;;Value`=3" + "|" + kHklm + kUninstall +
                          "\\Old Game" + "|HKEY_CURRENT_USER\\" + kMru + "\\+Value`= a;;Value`=C:\\My Documents\\lost.txt");
    EXPECT_EQ(found, (std::vector<std::string>{kHklm + kShared + "+Value`= C:\\gone.dll;;Value`=3",
                                               kHklm + kUninstall + "\\Old Game",
                                               "HKEY_CURRENT_USER\\" + kMru + "+Value`= a;;Value`=C:\\My Documents\\lost.txt"}))
        << "FoundError has no backslash before the marker";

    // Both forms read back into the same entry.
    for (const std::string& text : {found[0], completed[0].substr(1, completed[0].find('|', 1) - 1)}) {
        auto entry = parse_entry(text);
        ASSERT_TRUE(entry) << text;
        EXPECT_EQ(entry->root, HKEY_LOCAL_MACHINE);
        EXPECT_EQ(entry->key_path, kShared);
        EXPECT_EQ(entry->value_name, "C:\\gone.dll");
        EXPECT_EQ(entry->data, "3");
    }
    auto key = parse_entry("hkey_local_machine\\" + kUninstall + "\\Old Game");
    ASSERT_TRUE(key) << "roots compare in upper case";
    EXPECT_FALSE(key->is_value());
    EXPECT_EQ(key->key_path, kUninstall + "\\Old Game");
}

TEST_F(RegCleanerTest, OnlyEntriesTheScansMakeReadBack) {
    const std::string value = kHklm + kShared + "\\+Value`= C:\\a.dll";
    for (const std::string& text : {
             "HKEY_NOWHERE\\" + kUninstall + "\\x",                         // unknown root
             "HKLM\\" + kUninstall + "\\x",                                 // a short root name
             kHklm + kShared + "\\C:\\a.dll",                               // a value without its marker
             value,                                                         // a marker without a separator
             value + ";;Value`=1;;Value`=2",                                // data holding the separator
             kHklm + kShared + "\\+Value`= a;;b;;Value`=1",                 // a name holding ";;"
             kHklm + kUninstall,                                            // the list itself
             kHklm + "SOFTWARE\\Microsoft",                                 // anything else
             kHklm + kUninstall + "\\x\\sub",                               // below an entry
             "HKEY_CURRENT_USER\\" + kUninstall + "\\x",                    // the right path, the wrong root
             kHklm + kUninstall + "\\+Value`= x;;Value`=1",                 // a value where keys are listed
         }) {
        EXPECT_FALSE(parse_entry(text)) << text;
    }
}

TEST_F(RegCleanerTest, FoundMeansAPlainFileListedUnderExactlyThatPath) {
    temp.write_file("C:\\Shared\\there.dll", "x");
    temp.write_file("C:\\Shared\\hidden.dll", "x");
    temp.write_file("C:\\Shared\\system.dll", "x");
    temp.write_file("C:\\Shared\\readonly.dll", "x");
    auto& files = machine().files();
    files.set_attributes("C:\\Shared\\hidden.dll", platform::fs::attr::Hidden);
    files.set_attributes("C:\\Shared\\system.dll", platform::fs::attr::System);
    files.set_attributes("C:\\Shared\\readonly.dll", platform::fs::attr::ReadOnly);
    temp.write_file("C:\\Shared\\.dotted.dll", "x");
    std::filesystem::create_symlink(temp.host("C:\\Shared\\there.dll"), temp.host("C:\\Shared\\linked.dll"));
    std::filesystem::create_directory_symlink(temp.host("C:\\Shared"), temp.host("C:\\Shared\\folder.dll"));
    for (const char* name : {"c:\\shared\\THERE.DLL", "C:\\Shared\\readonly.dll", "C:\\Shared\\LINKED.dll",
                             "C:\\Shared\\.dotted.dll", "C:\\Shared\\folder.dll",
                             "C:\\Shared\\t*.dll", "C:\\Shared\\the?e.dll", "C:\\Shared\\hidden.dll",
                             "C:\\Shared\\system.dll", "C:\\Shared", "C:\\Shared\\there.dll\\", "C:\\Shared\\gone.dll",
                             "C:\\Shared\\h*.dll", "there.dll", "Q:\\there.dll", ""}) {
        put(Root::LocalMachine, kShared, name, type::Dword, dword(1));
    }
    scan();
    std::vector<std::string> missing;
    for (const std::string& text : found) missing.push_back(parse_entry(text)->value_name.value());
    // Listed in the registry's (case-insensitive) order; folders, hidden and system files count as missing.
    // A link counts as what it leads to; a name with a leading dot is hidden.
    EXPECT_EQ(missing, (std::vector<std::string>{"", "C:\\Shared", "C:\\Shared\\.dotted.dll", "C:\\Shared\\folder.dll",
                                                 "C:\\Shared\\gone.dll", "C:\\Shared\\h*.dll",
                                                 "C:\\Shared\\hidden.dll", "C:\\Shared\\system.dll",
                                                 "C:\\Shared\\there.dll\\", "Q:\\there.dll", "there.dll"}));
}

TEST_F(RegCleanerTest, UninstallListRules) {
    temp.write_file("C:\\Program Files\\Kept\\uninst.exe", "x");
    temp.write_file("C:\\Program Files\\Env\\remove.exe", "x");
    auto uninstall = [&](const std::string& name, std::optional<std::string> command, uint32_t t = type::Sz) {
        reg().create_key(Root::LocalMachine, kUninstall + "\\" + name);
        if (command) put(Root::LocalMachine, kUninstall + "\\" + name, "UninstallString", t, sz(*command));
    };
    uninstall("Kept", "\"C:\\Program Files\\Kept\\uninst.exe\" /S /quiet");
    uninstall("Kept with blanks", "C:\\Program Files\\Kept\\uninst.exe   /x");
    uninstall("Through a variable", "%ProgramFiles%\\Env\\remove.exe", type::ExpandSz);
    uninstall("{4A03706F-666A-4037-7777-5F2748764D10}", "C:\\gone\\setup.exe");
    uninstall("InstallShield_{X}", std::nullopt);
    uninstall("INSTALLSHIELD UNINSTALL INFORMATION", std::nullopt);
    uninstall("No command", std::nullopt);
    uninstall("Vanished", "C:\\Program Files\\Vanished\\uninst.exe");
    uninstall("Arguments without a switch", "C:\\Program Files\\Kept\\uninst.exe -remove");
    scan();
    EXPECT_EQ(found, (std::vector<std::string>{kHklm + kUninstall + "\\Arguments without a switch",
                                               kHklm + kUninstall + "\\No command",
                                               kHklm + kUninstall + "\\Vanished"}));
}

TEST_F(RegCleanerTest, AppPathsAndDialogHistoryRules) {
    temp.write_file("C:\\Program Files\\Tool\\tool.exe", "x");
    put_text(Root::LocalMachine, kAppPaths + "\\tool.exe", "", "\"C:\\Program Files\\Tool\\tool.exe\"");
    put_text(Root::LocalMachine, kAppPaths + "\\gone.exe", "", "C:\\Program Files\\Gone\\gone.exe");
    put_text(Root::LocalMachine, kAppPaths + "\\empty.exe", "", "");
    put_text(Root::LocalMachine, kAppPaths + "\\nodefault.exe", "Path", "C:\\x");
    put_text(Root::CurrentUser, kMru, "MRUList", "ba");
    put_text(Root::CurrentUser, kMru, "mrulist", "zz");
    put_text(Root::CurrentUser, kMru, "a", "C:\\Program Files\\Tool\\tool.exe");
    put_text(Root::CurrentUser, kMru, "b", "C:\\gone.txt");
    put_text(Root::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\txt",
             "a", "C:\\other-types-are-not-looked-at.txt");
    scan();
    EXPECT_EQ(found, (std::vector<std::string>{kHklm + kAppPaths + "\\gone.exe",
                                               "HKEY_CURRENT_USER\\" + kMru + "+Value`= b;;Value`=C:\\gone.txt"}));
}

TEST_F(RegCleanerTest, ScansKeepAddingToTheSameList) {
    put(Root::LocalMachine, kShared, "C:\\gone.dll", type::Dword, dword(1));
    cleaner.ScanSharedDlls();
    cleaner.ScanSharedDlls();
    EXPECT_TRUE(completed.empty()) << "single scans do not complete";
    std::string entry = "|" + kHklm + kShared + "\\+Value`= C:\\gone.dll;;Value`=1";
    EXPECT_EQ(scan(), entry + entry + entry);
}

// Cancel is heard before the next entry: the finds so far complete the scan, and nothing after them
// is looked at. The share done climbs with each entry looked at.
TEST_F(RegCleanerTest, CancelEndsTheScanWithTheFindsSoFar) {
    for (const char* name : {"A gone", "B gone", "C gone"})
        put_text(Root::LocalMachine, kUninstall + "\\" + name, "UninstallString", std::string("C:\\") + name + "\\x.exe");
    std::vector<double> shares;
    cleaner.Progress.subscribe([&](double& share) { shares.push_back(share); });
    const platform::CancellableRun run;
    cleaner.FoundError.subscribe([](std::string&) { platform::request_run_cancel(); });
    EXPECT_EQ(scan(), "|" + kHklm + kUninstall + "\\A gone");
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(shares, (std::vector<double>{100.0 / 3}));
}

// Wine's z: maps to the host's root: the test only looks, whatever the path.
TEST_F(RegCleanerTest, DrivesOutsideTheMachineAreOnlyLookedAt) {
    auto outside = std::filesystem::temp_directory_path() / ("tavrin-outside-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(outside);
    { std::ofstream(outside / "app.dll") << "x"; }
    std::filesystem::create_directory_symlink("/", temp.dir() / "dosdevices" / "z:");
    temp.reopen();
    std::string host_like = "Z:" + outside.string();
    std::replace(host_like.begin(), host_like.end(), '/', '\\');
    put(Root::LocalMachine, kShared, host_like + "\\app.dll", type::Dword, dword(1));
    put(Root::LocalMachine, kShared, host_like + "\\gone.dll", type::Dword, dword(1));
    scan();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find("gone.dll"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(outside / "app.dll"));
    std::filesystem::remove_all(outside);
}

// A fresh Wine prefix: its App Paths name files Wine installs, some through %ProgramFiles%.
TEST_F(RegCleanerTest, AWinePrefixScansClean) {
    for (auto hive : {"system.reg", "user.reg", "userdef.reg"}) {
        std::filesystem::copy_file(std::filesystem::path(TAVRIN_FIXTURES_DIR) / "wine-prefix" / hive, temp.dir() / hive,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    temp.reopen();
    temp.write_file("C:\\Program Files\\Internet Explorer\\iexplore.exe", "MZ");
    temp.write_file("C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe", "MZ");
    temp.write_file("C:\\users\\root\\Tools\\mine.exe", "MZ");
    put(Root::LocalMachine, kAppPaths + "\\wordpad.exe", "", type::ExpandSz,
        sz("%ProgramFiles%\\Windows NT\\Accessories\\wordpad.exe"));
    put(Root::CurrentUser, "Environment", "MYTOOLS", type::Sz, sz("%USERPROFILE%\\Tools"));
    put(Root::LocalMachine, kAppPaths + "\\mine.exe", "", type::ExpandSz, sz("%MYTOOLS%\\mine.exe"));
    EXPECT_EQ(scan(), "");
}

// ---- repair and restore ----

class RegRepairTest : public RegCleanerTest {
protected:
    const std::string game = kUninstall + "\\Old Game";
    const std::string game_entry = kHklm + kUninstall + "\\Old Game";

    // A key with a value of every kind an export has to carry.
    void plant_game() {
        const Root hklm = Root::LocalMachine;
        put_text(hklm, game, "DisplayName", "Old \"Game\" \\ 50% off");
        put_text(hklm, game, "UninstallString", "C:\\Games\\uninst.exe %1");
        put_text(hklm, game, "", "default");
        put_text(hklm, game, "Two lines", "first\r\nsecond");
        put(hklm, game, "InstallLocation", type::ExpandSz, sz("%ProgramFiles%\\Old Game"));
        put(hklm, game, "NoModify", type::Dword, dword(0xFFFFFFFEu));
        put(hklm, game, "Odd dword", type::Dword, {1, 2});
        put(hklm, game, "Blob", type::Binary, std::vector<uint8_t>(100, 0xAB));
        put(hklm, game, "Empty blob", type::Binary, {});
        put(hklm, game, "Names", type::MultiSz, {'a', 0, 'b', 0xC3, 0xBC, 0, 0});
        put(hklm, game, "Size", type::Qword, {1, 2, 3, 4, 5, 6, 7, 8});
        put(hklm, game, "Odd \"name\" \\ here", type::None, {7});
    }
    std::string backup_of(const std::string& name) { return read_backup(name).value_or("<none>"); }
};

TEST_F(RegRepairTest, AKeyComesBackWithEveryValueAsItWas) {
    plant_game();
    RegistryExport before = whole(HKEY_LOCAL_MACHINE, game);
    ASSERT_EQ(before.size(), 1u);
    std::string entry = game_entry;
    cleaner.CleanRegistry(entry);

    EXPECT_FALSE(reg().key_exists(Root::LocalMachine, game));
    EXPECT_TRUE(std::find(log.begin(), log.end(), game_entry) != log.end()) << "the deletion is shown";
    std::string backup = backup_of(game_entry);
    EXPECT_TRUE(backup.starts_with("Windows Registry Editor Version 5.00\r\n\r\n[" + game_entry + "]\r\n")) << backup;
    EXPECT_NE(backup.find("\"NoModify\"=dword:fffffffe\r\n"), std::string::npos) << backup;
    EXPECT_NE(backup.find("\"DisplayName\"=\"Old \\\"Game\\\" \\\\ 50% off\"\r\n"), std::string::npos) << backup;
    EXPECT_NE(backup.find("@=\"default\"\r\n"), std::string::npos) << backup;
    EXPECT_NE(backup.find("\"InstallLocation\"=hex(2):25,00,50,00"), std::string::npos) << "unexpanded: " << backup;

    // The store is read from disk again, as after a restart.
    machine().flush();
    temp.reopen();
    std::string names = "|" + game_entry + "|";
    cleaner.RestoreReg(names);
    EXPECT_TRUE(same_export(whole(HKEY_LOCAL_MACHINE, game), before));
    EXPECT_EQ(read_backup(game_entry), std::nullopt) << "the backup is consumed";
    EXPECT_TRUE(logged("msg203", game_entry));
}

TEST_F(RegRepairTest, NumbersComeBackAsNumbers) {
    put(Root::LocalMachine, kShared, "C:\\gone.dll", type::Dword, dword(2));
    put(Root::LocalMachine, kShared, "C:\\other.dll", type::Dword, dword(5));
    std::string entry = kHklm + kShared + "\\+Value`= C:\\gone.dll;;Value`=2";
    cleaner.CleanRegistry(entry);
    EXPECT_EQ(tavrin_test::value_names(HKEY_LOCAL_MACHINE, kShared), std::vector<std::string>{"C:\\other.dll"});
    EXPECT_EQ(backup_of(entry), "Windows Registry Editor Version 5.00\r\n\r\n[" + kHklm + kShared +
                                    "]\r\n\"C:\\\\gone.dll\"=dword:00000002\r\n\r\n");
    cleaner.RestoreReg(entry);
    platform::registry::Value value;
    ASSERT_EQ(reg().query_value(Root::LocalMachine, kShared, "C:\\gone.dll", value), platform::registry::Status::Ok);
    EXPECT_EQ(value.type, type::Dword);
    EXPECT_EQ(value.data, dword(2));
}

TEST_F(RegRepairTest, SeveralEntriesInOneCallShareOneBackup) {
    put_text(Root::LocalMachine, kAppPaths + "\\a.exe", "", "C:\\a.exe");
    put_text(Root::LocalMachine, kAppPaths + "\\b.exe", "", "C:\\b.exe");
    put_text(Root::CurrentUser, kMru, "c", "C:\\c.txt");
    std::string both = kHklm + kAppPaths + "\\a.exe|" + kHklm + kAppPaths + "\\b.exe";
    std::string third = "HKEY_CURRENT_USER\\" + kMru + "\\+Value`= c;;Value`=C:\\c.txt";
    cleaner.CleanRegistry(both);
    cleaner.CleanRegistry(third);
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, kMru).empty());
    EXPECT_EQ(reg().subkey_names(Root::LocalMachine, kAppPaths), std::vector<std::string>{});
    EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, std::string(kBackupKey)),
              (std::vector<std::string>{third, both}))
        << "one value per call, named by the whole text, in the store's order";

    // Framed by bars, two names joined: the first holds a bar of its own.
    std::string names = "|" + both + "|" + third + "|";
    cleaner.RestoreReg(names);
    EXPECT_EQ(reg().subkey_names(Root::LocalMachine, kAppPaths), (std::vector<std::string>{"a.exe", "b.exe"}));
    EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, kMru), std::vector<std::string>{"c"});
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, std::string(kBackupKey)).empty());
    EXPECT_TRUE(logged("msg203", both));
    EXPECT_TRUE(logged("msg203", third));
}

TEST_F(RegRepairTest, AKeyWithSubkeysStaysAndKeepsItsBackup) {
    plant_game();
    put_text(Root::LocalMachine, game + "\\Patches\\1", "Name", "patch");
    RegistryExport before = whole(HKEY_LOCAL_MACHINE, game);
    ASSERT_EQ(before.size(), 3u);
    std::string entry = game_entry;
    cleaner.CleanRegistry(entry);
    EXPECT_TRUE(same_export(whole(HKEY_LOCAL_MACHINE, game), before)) << "nothing of it deleted";
    EXPECT_TRUE(logged("msg201", game_entry));
    auto kept = parse_export(backup_of(game_entry));
    ASSERT_TRUE(kept);
    EXPECT_TRUE(same_export(*kept, before)) << "the backup holds the subkeys too";
}

TEST_F(RegRepairTest, RepairingAgainNeverOverwritesTheBackup) {
    plant_game();
    std::string entry = game_entry;
    cleaner.CleanRegistry(entry);
    std::string first = backup_of(game_entry);
    cleaner.CleanRegistry(entry);
    EXPECT_EQ(backup_of(game_entry), first);
    EXPECT_TRUE(logged("msg202", game_entry));

    // One of two entries already gone: the new backup keeps what the old one had of it, and takes
    // what is there now of the other.
    put_text(Root::LocalMachine, kAppPaths + "\\a.exe", "", "C:\\a.exe");
    put_text(Root::LocalMachine, kAppPaths + "\\b.exe", "", "C:\\b.exe");
    std::string pair = kHklm + kAppPaths + "\\a.exe|" + kHklm + kAppPaths + "\\b.exe";
    cleaner.CleanRegistry(pair);
    put_text(Root::LocalMachine, kAppPaths + "\\a.exe", "", "C:\\a2.exe");
    cleaner.CleanRegistry(pair);
    auto combined = parse_export(backup_of(pair));
    ASSERT_TRUE(combined);
    ASSERT_EQ(combined->size(), 2u);
    EXPECT_EQ(combined->at(0).values.front().value.data, sz("C:\\a2.exe")) << "what is there now wins";
    EXPECT_EQ(combined->at(1).values.front().value.data, sz("C:\\b.exe")) << "what is gone is kept";
    cleaner.RestoreReg(pair);
    EXPECT_EQ(reg().subkey_names(Root::LocalMachine, kAppPaths), (std::vector<std::string>{"a.exe", "b.exe"}));
}

TEST_F(RegRepairTest, OldOneSpaceBackupsRestoreAsText) {
    const std::string key_entry = kHklm + kUninstall + "\\Old Tool";
    const std::string value_entry = kHklm + kShared + "\\+Value`= C:\\old.dll;;Value`=2";
    const std::string expandable = "HKEY_CURRENT_USER\\" + kMru + "\\+Value`= q;;Value`=%TEMP%\\q.txt";
    for (const auto& name : {key_entry, value_entry, expandable}) put_text(Root::CurrentUser, std::string(kBackupKey), name, " ");
    std::string names = key_entry + "|" + value_entry + "|" + expandable;
    cleaner.RestoreReg(names);
    EXPECT_TRUE(reg().key_exists(Root::LocalMachine, kUninstall + "\\Old Tool"));
    platform::registry::Value value;
    ASSERT_EQ(reg().query_value(Root::LocalMachine, kShared, "C:\\old.dll", value), platform::registry::Status::Ok);
    EXPECT_EQ(value.type, type::Sz);
    EXPECT_EQ(value.data, sz("2"));
    ASSERT_EQ(reg().query_value(Root::CurrentUser, kMru, "q", value), platform::registry::Status::Ok);
    EXPECT_EQ(value.type, type::ExpandSz);
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, std::string(kBackupKey)).empty());
}

TEST_F(RegRepairTest, TextsNotMadeByTheScanChangeNothing) {
    plant_game();
    put(Root::LocalMachine, kShared, "C:\\a.dll", type::Dword, dword(1));
    RegistryExport before = whole(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
    for (std::string text : {
             "HKEY_NOWHERE\\" + kUninstall + "\\Old Game",
             kHklm + kShared + "\\C:\\a.dll",
             kHklm + kShared + "\\+Value`= C:\\a.dll",
             kHklm + kShared + "\\+Value`= C:\\a.dll;;Value`=1;;Value`=1",
             kHklm + kShared + "\\+Value`= C:\\a|b.dll;;Value`=1",
             game_entry + "|" + kHklm + "SOFTWARE\\Microsoft",  // one bad part stops the whole text
             kHklm + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
         }) {
        log.clear();
        cleaner.CleanRegistry(text);
        EXPECT_FALSE(log.empty()) << text;
        EXPECT_TRUE(log.front().starts_with(GetMessageText("msg200"))) << log.front();
    }
    EXPECT_TRUE(same_export(whole(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"), before));
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, std::string(kBackupKey)).empty());
}

TEST_F(RegRepairTest, BackupsThatCannotBeTrustedStay) {
    const std::string entry = kHklm + kAppPaths + "\\a.exe";
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const std::string& data : {
             std::string("not an export"),
             header + "[" + entry + "]\r\n\"x\"=dword:12\r\n",                // a short number
             header + "[" + entry + "]\r\n\"x\"=hex(2):41\r\n",               // half a UTF-16 unit
             header + "[-" + entry + "]\r\n",                                 // a deletion
             header + "[" + kHklm + "SOFTWARE\\Evil]\r\n\"x\"=\"y\"\r\n",     // outside its entry
         }) {
        log.clear();
        put_text(Root::CurrentUser, std::string(kBackupKey), entry, data);
        std::string name = entry;
        cleaner.RestoreReg(name);
        EXPECT_TRUE(logged("msg204", entry)) << data;
        EXPECT_EQ(read_backup(entry), data);
        EXPECT_FALSE(reg().key_exists(Root::LocalMachine, kAppPaths + "\\a.exe"));
        EXPECT_FALSE(reg().key_exists(Root::LocalMachine, "SOFTWARE\\Evil"));
    }

    // A header alone restores nothing: saying "restored" and dropping it would be a lie.
    log.clear();
    put_text(Root::CurrentUser, std::string(kBackupKey), entry, header);
    std::string name = entry;
    cleaner.RestoreReg(name);
    EXPECT_TRUE(logged("msg444", entry));
    EXPECT_FALSE(logged("msg203", entry));
    EXPECT_EQ(read_backup(entry), header);

    std::string unknown = kHklm + kAppPaths + "\\never.exe";
    cleaner.RestoreReg(unknown);
    EXPECT_TRUE(logged("msg205", unknown));
    EXPECT_FALSE(reg().key_exists(Root::LocalMachine, kAppPaths + "\\never.exe"));
}

TEST(RegistryExportText, ReadsWhatAnEditorWrites) {
    // Long hex lists wrap; a byte-order mark, comments and a blank "@" value are accepted.
    auto keys = parse_export(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n; saved by hand\n[HKEY_CURRENT_USER\\Software\\A]\n"
        "@=\"\"\n\"Bin\"=hex:01,02,\\\n  03\n\"Q\"=hex(b):01,00,00,00,00,00,00,00\n");
    ASSERT_TRUE(keys);
    ASSERT_EQ(keys->size(), 1u);
    EXPECT_EQ(keys->front().root, HKEY_CURRENT_USER);
    ASSERT_EQ(keys->front().values.size(), 3u);
    EXPECT_EQ(keys->front().values[0].value.data, sz(""));
    EXPECT_EQ(keys->front().values[1].value.data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(keys->front().values[2].value.type, type::Qword);
    EXPECT_FALSE(parse_export("[HKEY_CURRENT_USER\\Software\\A]\n")) << "no header";
    EXPECT_FALSE(format_export({{HKEY_CURRENT_USER, "Software\\Line\nbreak", {}}})) << "a key name the format cannot carry";
}

}  // namespace
