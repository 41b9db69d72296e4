// The Windows tweaks against the registry of a temporary machine: what each switch writes or
// removes, and which removals are announced and logged.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/cleaners/misc_functions.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/logger.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using engine::HKEY_CLASSES_ROOT;
using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;
using engine::Variant;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kPolicies = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\system";
constexpr const char* kServer = "SYSTEM\\CurrentControlSet\\Services\\lanmanserver\\parameters";
constexpr const char* kAdvanced = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
constexpr const char* kColors = "Control Panel\\Colors";
constexpr const char* kProgram = "C:\\Program Files\\Orvane\\tavrinapp.EXE";

struct Stored {
    Variant value;
    engine::ERegistryValueTypes type = engine::REG_NONE;
    bool exists = false;
};

class TweaksTest : public tavrin_test::MachineTest {
protected:
    TweaksTest() {
        misc.ShowLog.subscribe([this](std::string& line) { announced.push_back(line); });
    }

    static Stored stored(engine::ERegistryClassConstants root, const std::string& key, const std::string& name) {
        Stored result;
        for (const auto& existing : tavrin_test::value_names(root, key)) result.exists |= existing == name;
        engine::cRegistry reg;
        reg.ClassKey(root);
        reg.SectionKey(key);
        reg.ValueKey(name);
        result.value = reg.Value();
        result.type = reg.ValueType();
        return result;
    }
    static bool key_exists(engine::ERegistryClassConstants root, const std::string& key) {
        engine::cRegistry reg;
        reg.ClassKey(root);
        reg.SectionKey(key);
        return reg.KeyExists();
    }
    static void put(engine::ERegistryClassConstants root, const std::string& key, const std::string& name,
                    const Variant& value, engine::ERegistryValueTypes type) {
        engine::cRegistry reg;
        reg.ValueEx(root, key, name, type, Variant(), value);
    }
    // Every line of the daily log files written so far.
    std::vector<std::string> logged() {
        std::vector<std::string> lines;
        auto folder = temp.host(engine::Logger().getLogPath() + "\\Logs");
        if (!std::filesystem::exists(folder)) return lines;
        for (const auto& file : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(file.path());
            for (std::string line; std::getline(in, line);) lines.push_back(line);
        }
        return lines;
    }

    engine::Misc_Functions misc;
    std::vector<std::string> announced;
};

TEST_F(TweaksTest, FlatWindowsSwapsTheButtonColoursBackAndForth) {
    misc.FlatWindows(true);
    EXPECT_EQ(stored(HKEY_CURRENT_USER, kColors, "ButtonHilight").value.to_text(), "128 128 128");
    EXPECT_EQ(stored(HKEY_CURRENT_USER, kColors, "ButtonShadow").value.to_text(), "255 255 255");

    misc.FlatWindows(false);
    EXPECT_EQ(stored(HKEY_CURRENT_USER, kColors, "ButtonHilight").value.to_text(), "255 255 255");
    EXPECT_EQ(stored(HKEY_CURRENT_USER, kColors, "ButtonShadow").value.to_text(), "128 128 128");
    EXPECT_TRUE(announced.empty());
}

// The two tweaks that switch a pair of DWORD values off by writing 0 and back by removing them.
TEST_F(TweaksTest, PairsAreWrittenAsZeroAndRemovedOneLogLineEachOnlyWhenPresent) {
    struct Pair {
        Variant (engine::Misc_Functions::*tweak)(bool);
        const char* key;
        const char* first;
        const char* second;
    };
    for (auto [tweak, key, first, second] :
         {Pair{&engine::Misc_Functions::BootFaster, kPolicies, "SynchronousMachineGroupPolicy", "SynchronousUserGroupPolicy"},
          Pair{&engine::Misc_Functions::EnableAutomaticSharing, kServer, "AutoShareWks", "AutoShareServer"}}) {
        announced.clear();
        auto lines_before = logged().size();

        // Neither value there: nothing changes, nothing is logged.
        (misc.*tweak)(true);
        EXPECT_TRUE(announced.empty()) << key;
        EXPECT_EQ(logged().size(), lines_before) << key;
        EXPECT_FALSE(stored(HKEY_LOCAL_MACHINE, key, first).exists) << key;

        (misc.*tweak)(false);
        for (const char* name : {first, second}) {
            auto value = stored(HKEY_LOCAL_MACHINE, key, name);
            EXPECT_EQ(value.type, engine::REG_DWORD) << name;
            EXPECT_EQ(value.value.to_integer(), 0) << name;
        }
        EXPECT_TRUE(announced.empty()) << key;

        (misc.*tweak)(true);
        std::string shown = std::string("HKEY_LOCAL_MACHINE\\") + key + "\\";
        EXPECT_EQ(announced, (std::vector<std::string>{shown + first, shown + second}));
        EXPECT_EQ(logged().size(), lines_before + 2) << key;
        EXPECT_FALSE(stored(HKEY_LOCAL_MACHINE, key, first).exists) << key;
        EXPECT_FALSE(stored(HKEY_LOCAL_MACHINE, key, second).exists) << key;
    }
}

TEST_F(TweaksTest, BalloonsOffReallySwitchesThemOffAndDiskLayoutIsOneOrZero) {
    constexpr const char* kLayout = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\OptimalLayout";
    misc.Optimize_HardDisk_when_idle(true);
    EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, kLayout, "EnableAutoLayout").value.to_integer(), 1);
    misc.Optimize_HardDisk_when_idle(false);
    EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, kLayout, "EnableAutoLayout").value.to_integer(), 0);

    misc.EnableBalloons(false);
    auto off = stored(HKEY_CURRENT_USER, kAdvanced, "EnableBalloonTips");
    EXPECT_EQ(off.type, engine::REG_DWORD);
    EXPECT_EQ(off.value.to_integer(), 0);

    misc.EnableBalloons(true);
    EXPECT_FALSE(stored(HKEY_CURRENT_USER, kAdvanced, "EnableBalloonTips").exists);
    EXPECT_EQ(announced.size(), 1u);
    misc.EnableBalloons(true);
    EXPECT_EQ(announced.size(), 1u);
}

TEST_F(TweaksTest, ExploreFromHereAddsTheVerbWithItsCommandAndRemovesBoth) {
    misc.AddExploreFromHere(true);
    EXPECT_EQ(stored(HKEY_CLASSES_ROOT, "Folder\\shell\\rootexplore", "").value.to_text(), "Explore From Here");
    auto command = stored(HKEY_CLASSES_ROOT, "Folder\\shell\\rootexplore\\command", "");
    EXPECT_EQ(command.value.to_text(), "Explorer.exe /e,/root,/idlist,%I");
    // One percent sign is no environment reference: plain text.
    EXPECT_EQ(command.type, engine::REG_SZ);

    misc.AddExploreFromHere(false);
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, "Folder\\shell\\rootexplore\\command"));
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, "Folder\\shell\\rootexplore"));
    EXPECT_TRUE(key_exists(HKEY_CLASSES_ROOT, "Folder\\shell"));
    bool command_announced = false;
    for (const auto& line : announced) command_announced |= line == "HKEY_CLASSES_ROOT\\Folder\\shell\\rootexplore\\command";
    EXPECT_TRUE(command_announced);
}

TEST_F(TweaksTest, StartUpEntryIsWrittenOnceAndRemovedFromBothRunKeys) {
    misc.LoadOnStartUp(true, kProgram);
    misc.LoadOnStartUp(true, kProgram);
    const auto names = tavrin_test::value_names(HKEY_CURRENT_USER, kRun);
    EXPECT_EQ(std::count(names.begin(), names.end(), kProgram), 1);
    EXPECT_EQ(stored(HKEY_CURRENT_USER, kRun, kProgram).value.to_text(), kProgram);

    // Present for the current user only: gone there, and none is left for the machine either.
    misc.LoadOnStartUp(false, kProgram);
    EXPECT_FALSE(stored(HKEY_CURRENT_USER, kRun, kProgram).exists);
    EXPECT_FALSE(stored(HKEY_LOCAL_MACHINE, kRun, kProgram).exists);
    // Only the removal that happened is announced: nothing was written machine-wide to delete.
    EXPECT_EQ(announced, (std::vector<std::string>{std::string("HKEY_CURRENT_USER\\") + kRun + "\\" + kProgram}));

    // A machine-wide entry of that name goes as well; other entries stay.
    put(HKEY_LOCAL_MACHINE, kRun, "Updater", "C:\\updater.exe", engine::REG_SZ);
    put(HKEY_LOCAL_MACHINE, kRun, "Other", "C:\\other.exe", engine::REG_SZ);
    misc.LoadOnStartUp(false, "Updater");
    EXPECT_FALSE(stored(HKEY_LOCAL_MACHINE, kRun, "Updater").exists);
    EXPECT_TRUE(stored(HKEY_LOCAL_MACHINE, kRun, "Other").exists);
}

}  // namespace
