// The registry cleaner on a real Wine prefix made by wineboot: a fresh prefix scans clean;
// entries added with `wine reg add` are found exactly, repaired, restored, and `wine reg query`
// then shows every value as it was. Skipped where Wine is not installed.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/regcleaner/reg_cleaner.h"
#include "platform/machine/machine.h"
#include "tests/unit/support/wine_prefix.h"

namespace {

const std::string kVersion = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const std::string kStaleTool = kVersion + "\\Uninstall\\Stale Tool";
const std::string kProductCode = kVersion + "\\Uninstall\\{0E3A1D6F-2D8C-4C1B-9C55-6A3B1F0D7E21}";
const std::string kStaleApp = kVersion + "\\App Paths\\stale.exe";
const std::string kShared = kVersion + "\\SharedDlls";
const std::string kMru = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\*";

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// `wine reg add` of a typed value ("" names the key's default value).
bool add(tavrin_test::WinePrefix& prefix, const std::string& key, const std::string& name, const std::string& type,
         const std::string& data) {
    std::string value = name.empty() ? "/ve" : "/v " + quoted(name);
    return prefix.run("wine reg add " + quoted(key) + " " + value + " /t " + type + " /d " + quoted(data) + " /f") == 0;
}

// What `wine reg query KEY /s` prints; nullopt when the key is missing.
std::optional<std::string> query(tavrin_test::WinePrefix& prefix, const std::string& key) {
    std::string text;
    if (prefix.run("wine reg query " + quoted(key) + " /s 2>/dev/null", &text) != 0) return std::nullopt;
    return text;
}

// The prefix opened as the engine's machine for the length of one step, then saved and closed.
template <class Step>
void with_machine(tavrin_test::WinePrefix& prefix, Step step) {
    prefix.stop_server();
    auto machine = platform::Machine::open(prefix.dir());
    const platform::CurrentMachineScope current(*machine);
    step();
    machine->flush();
}

std::string scan() {
    engine::Reg_Cleaner cleaner;
    std::string found;
    cleaner.Completed.subscribe([&](std::string& list) { found = list; });
    cleaner.ScanRegistry();
    return found;
}

TEST(RegCleanerOnWine, StaleEntriesGoAndComeBackAsWineSeesThem) {
    if (!tavrin_test::WinePrefix::available()) GTEST_SKIP() << "wine, wineboot or wineserver is not installed";
    tavrin_test::WinePrefix prefix;

    with_machine(prefix, [] { EXPECT_EQ(scan(), "") << "a fresh prefix scans clean"; });

    ASSERT_TRUE(add(prefix, kStaleTool, "DisplayName", "REG_SZ", "Stale \"Tool\" 50%"));
    ASSERT_TRUE(add(prefix, kStaleTool, "UninstallString", "REG_SZ", "\"C:\\gone\\unins.exe\" /S"));
    ASSERT_TRUE(add(prefix, kStaleTool, "NoModify", "REG_DWORD", "1"));
    ASSERT_TRUE(add(prefix, kStaleTool, "Blob", "REG_BINARY", "0a0b0c"));
    ASSERT_TRUE(add(prefix, kStaleTool, "Names", "REG_MULTI_SZ", "a\\0b"));
    ASSERT_TRUE(add(prefix, kStaleTool, "InstallLocation", "REG_EXPAND_SZ", "%ProgramFiles%\\gone"));
    ASSERT_TRUE(add(prefix, kProductCode, "UninstallString", "REG_SZ", "C:\\gone\\setup.exe"));
    ASSERT_TRUE(add(prefix, kStaleApp, "", "REG_SZ", "C:\\gone\\stale.exe"));
    ASSERT_TRUE(add(prefix, kStaleApp, "Path", "REG_SZ", "C:\\gone"));
    ASSERT_TRUE(add(prefix, kShared, "C:\\windows\\system32\\gone.dll", "REG_DWORD", "3"));
    ASSERT_TRUE(add(prefix, kShared, "C:\\windows\\system32\\kernel32.dll", "REG_DWORD", "1"));
    ASSERT_TRUE(add(prefix, kMru, "a", "REG_SZ", "C:\\gone\\notes.txt"));
    ASSERT_TRUE(add(prefix, kMru, "b", "REG_SZ", "C:\\windows\\win.ini"));
    ASSERT_TRUE(add(prefix, kMru, "MRUList", "REG_SZ", "ab"));
    std::vector<std::string> keys{kStaleTool, kStaleApp, kShared, kMru};
    std::vector<std::string> before;
    for (const auto& key : keys) before.push_back(query(prefix, key).value_or("<missing>"));

    const std::string hklm = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    const std::vector<std::string> stale{
        hklm + "\\SharedDlls\\+Value`= C:\\windows\\system32\\gone.dll;;Value`=3",
        hklm + "\\Uninstall\\Stale Tool",
        hklm + "\\App Paths\\stale.exe",
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\*\\+Value`= "
        "a;;Value`=C:\\gone\\notes.txt",
    };
    std::string all;
    for (const auto& entry : stale) all += "|" + entry;
    with_machine(prefix, [&] {
        EXPECT_EQ(scan(), all);
        engine::Reg_Cleaner cleaner;
        for (std::string entry : stale) cleaner.CleanRegistry(entry);
    });
    EXPECT_EQ(query(prefix, kStaleTool), std::nullopt) << "Wine no longer sees the key";
    EXPECT_EQ(query(prefix, kStaleApp), std::nullopt);
    EXPECT_EQ(query(prefix, kShared)->find("gone.dll"), std::string::npos);

    with_machine(prefix, [&] {
        engine::Reg_Cleaner cleaner;
        cleaner.RestoreReg(all);
    });
    for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(query(prefix, keys[i]).value_or("<missing>"), before[i]) << keys[i];
}

}  // namespace
