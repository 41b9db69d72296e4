// The registry cleaner on a real Wine prefix made by wineboot: a fresh prefix scans clean;
// entries added with `wine reg add` are found exactly, repaired, restored, and `wine reg query`
// then shows every value as it was. Skipped where Wine is not installed.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/regcleaner/reg_cleaner.h"
#include "platform/machine/machine.h"

namespace {

namespace stdfs = std::filesystem;

const std::string kVersion = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const std::string kStaleTool = kVersion + "\\Uninstall\\Stale Tool";
const std::string kProductCode = kVersion + "\\Uninstall\\{0E3A1D6F-2D8C-4C1B-9C55-6A3B1F0D7E21}";
const std::string kStaleApp = kVersion + "\\App Paths\\stale.exe";
const std::string kShared = kVersion + "\\SharedDlls";
const std::string kMru = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\*";

std::string quoted(const std::string& text) { return "'" + text + "'"; }

bool wine_installed() {
    return std::system("command -v wine >/dev/null 2>&1 && command -v wineboot >/dev/null 2>&1 && "
                       "command -v wineserver >/dev/null 2>&1") == 0;
}

// A prefix of its own; its wineserver is always ended before the engine opens the files.
class WinePrefix {
public:
    WinePrefix() {
        std::random_device random;
        dir_ = stdfs::temp_directory_path() / ("tavrin-wine-" + std::to_string(random()));
        env_ = "WINEPREFIX=" + quoted(dir_.string()) + " WINEDEBUG=-all ";
    }
    ~WinePrefix() {
        std::system((env_ + "wineserver -k >/dev/null 2>&1").c_str());
        std::error_code ec;
        stdfs::remove_all(dir_, ec);
    }
    const stdfs::path& dir() const { return dir_; }

    bool boot() { return run("wineboot -i"); }
    // Runs a Wine command line; output is discarded. The wineserver stays for the next one.
    bool run(const std::string& command) { return std::system((env_ + command + " >/dev/null 2>&1").c_str()) == 0; }
    // Ends the prefix's wineserver, which writes its registry on the way out, and waits for it:
    // the engine must never touch a prefix a wineserver still serves.
    void settle() {
        std::system((env_ + "wineserver -k >/dev/null 2>&1").c_str());
        std::system((env_ + "wineserver -w").c_str());
    }
    bool add(const std::string& key, const std::string& name, const std::string& type, const std::string& data) {
        std::string value = name.empty() ? "/ve" : "/v " + quoted(name);
        return run("wine reg add " + quoted(key) + " " + value + " /t " + type + " /d " + quoted(data) + " /f");
    }
    // What `wine reg query KEY /s` prints; nullopt when the key is missing.
    std::optional<std::string> query(const std::string& key) {
        std::string text;
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(
            popen((env_ + "wine reg query " + quoted(key) + " /s 2>/dev/null").c_str(), "r"), pclose);
        std::array<char, 4096> buffer;
        while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe.get())) text.append(buffer.data(), n);
        int status = pclose(pipe.release());
        if (status != 0) return std::nullopt;
        return text;
    }

private:
    stdfs::path dir_;
    std::string env_;
};

// The prefix opened as the engine's machine for the length of one step, then saved and closed.
template <class Step>
void with_machine(WinePrefix& prefix, Step step) {
    prefix.settle();
    auto machine = platform::Machine::open(prefix.dir());
    platform::set_current_machine(machine.get());
    step();
    machine->flush();
    platform::set_current_machine(nullptr);
}

std::string scan() {
    engine::Reg_Cleaner cleaner;
    std::string found;
    cleaner.Completed.subscribe([&](std::string& list) { found = list; });
    cleaner.ScanRegistry();
    return found;
}

TEST(RegCleanerOnWine, StaleEntriesGoAndComeBackAsWineSeesThem) {
    if (!wine_installed()) GTEST_SKIP() << "wine, wineboot or wineserver is not installed";
    WinePrefix prefix;
    ASSERT_TRUE(prefix.boot());

    with_machine(prefix, [] { EXPECT_EQ(scan(), "") << "a fresh prefix scans clean"; });

    ASSERT_TRUE(prefix.add(kStaleTool, "DisplayName", "REG_SZ", "Stale \"Tool\" 50%"));
    ASSERT_TRUE(prefix.add(kStaleTool, "UninstallString", "REG_SZ", "\"C:\\gone\\unins.exe\" /S"));
    ASSERT_TRUE(prefix.add(kStaleTool, "NoModify", "REG_DWORD", "1"));
    ASSERT_TRUE(prefix.add(kStaleTool, "Blob", "REG_BINARY", "0a0b0c"));
    ASSERT_TRUE(prefix.add(kStaleTool, "Names", "REG_MULTI_SZ", "a\\0b"));
    ASSERT_TRUE(prefix.add(kStaleTool, "InstallLocation", "REG_EXPAND_SZ", "%ProgramFiles%\\gone"));
    ASSERT_TRUE(prefix.add(kProductCode, "UninstallString", "REG_SZ", "C:\\gone\\setup.exe"));
    ASSERT_TRUE(prefix.add(kStaleApp, "", "REG_SZ", "C:\\gone\\stale.exe"));
    ASSERT_TRUE(prefix.add(kStaleApp, "Path", "REG_SZ", "C:\\gone"));
    ASSERT_TRUE(prefix.add(kShared, "C:\\windows\\system32\\gone.dll", "REG_DWORD", "3"));
    ASSERT_TRUE(prefix.add(kShared, "C:\\windows\\system32\\kernel32.dll", "REG_DWORD", "1"));
    ASSERT_TRUE(prefix.add(kMru, "a", "REG_SZ", "C:\\gone\\notes.txt"));
    ASSERT_TRUE(prefix.add(kMru, "b", "REG_SZ", "C:\\windows\\win.ini"));
    ASSERT_TRUE(prefix.add(kMru, "MRUList", "REG_SZ", "ab"));
    std::vector<std::string> keys{kStaleTool, kStaleApp, kShared, kMru};
    std::vector<std::string> before;
    for (const auto& key : keys) before.push_back(prefix.query(key).value_or("<missing>"));

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
    EXPECT_EQ(prefix.query(kStaleTool), std::nullopt) << "Wine no longer sees the key";
    EXPECT_EQ(prefix.query(kStaleApp), std::nullopt);
    EXPECT_EQ(prefix.query(kShared)->find("gone.dll"), std::string::npos);

    with_machine(prefix, [&] {
        engine::Reg_Cleaner cleaner;
        cleaner.RestoreReg(all);
    });
    for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(prefix.query(keys[i]).value_or("<missing>"), before[i]) << keys[i];
}

}  // namespace
