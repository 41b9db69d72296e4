// System: folders, drives, startup and uninstall lists on a real temporary machine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/foundation/cregistry.h"
#include "engine/foundation/hooks.h"
#include "engine/tools/system.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;

constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void set_text(engine::ERegistryClassConstants root, const std::string& key, const std::string& name,
              const std::string& value) {
    engine::cRegistry reg;
    reg.ValueEx(root, key, name, engine::REG_SZ, engine::Variant(), value);
}

class SystemTest : public tavrin_test::MachineTest {
protected:
    void set_windows_version(const std::string& version) { set_text(HKEY_CURRENT_USER, "Software\\Wine", "Version", version); }
};

TEST_F(SystemTest, WindowsFolderHasNoTrailingBackslash) {
    set_text(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot", "C:\\WINNT\\");
    EXPECT_EQ(engine::System().getWDirectory(), "C:\\WINNT");
}

TEST_F(SystemTest, FavoritesFolderDependsOnWindowsVersion) {
    set_text(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Favorites",
             "C:\\Documents and Settings\\someone\\Favorites");
    set_windows_version("winxp");
    EXPECT_EQ(engine::System().getFavoritesDirectory(), "C:\\Documents and Settings\\someone\\Favorites");
    set_windows_version("win98");
    EXPECT_EQ(engine::System().getFavoritesDirectory(), "C:\\WINDOWS\\favorites");
    set_windows_version("winme");
    EXPECT_EQ(engine::System().getFavoritesDirectory(), "C:\\WINDOWS\\favorites");
    set_windows_version("win2k");
    EXPECT_EQ(engine::System().getFavoritesDirectory(), "");
}

TEST_F(SystemTest, DriveStringsAreNulSeparatedAndPadded) {
    std::string drives = engine::System().Enumerate_Drives();
    EXPECT_EQ(drives.size(), 255u);
    EXPECT_EQ(drives.substr(0, 5), std::string("C:\\\0\0", 5));
    EXPECT_EQ(drives.find_first_not_of('\0', 3), std::string::npos);
}

TEST_F(SystemTest, StartupListsNamesAndCommandsInStepAndLocationOrder) {
    set_text(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", "svc", "svc.exe");
    set_text(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "machine", "m.exe /s");
    set_text(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "user", "\"C:\\u.exe\"");
    set_text(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "once", "o.exe");
    std::string names = "before", commands = "before";
    engine::System().Enumerate_Startup(names, commands);
    EXPECT_EQ(names, "before|user|machine|once|svc");
    EXPECT_EQ(commands, "before|\"C:\\u.exe\"|m.exe /s|o.exe|svc.exe");
}

TEST_F(SystemTest, UninstallListsStayAlignedAndCommandsAreCut) {
    set_text(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\A", "DisplayName", "Alpha Tool");
    set_text(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\A", "UninstallString", "\"C:\\Alpha\\un.exe\" /x");
    set_text(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\B", "UninstallString", "b.exe");
    set_text(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\C", "DisplayName", "   ");
    set_text(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\C", "UninstallString", "c.exe");
    set_text(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\D", "DisplayName", " Delta ");
    set_text(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\D", "UninstallString",
             "RunDll32 \"C:\\Delta\\d.dll\",Uninstall");
    set_text(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\E", "DisplayName", "Echo");
    engine::UnInstall programs = engine::System().Enumerate_Uninstall();
    EXPECT_EQ(programs.program_name, "Alpha Tool| Delta |Echo");
    EXPECT_EQ(programs.uninstall_Path, "C:\\Alpha\\un.exe /x|RunDll32");
}

TEST_F(SystemTest, EmptyMachineListsNothingAndShowsNoMessage) {
    int messages = 0;
    const engine::HostHooksInPlace hooks({.show_message = [&](const std::string&, const std::string&) { ++messages; }});
    std::string names, commands;
    engine::System().Enumerate_Startup(names, commands);
    engine::UnInstall programs = engine::System().Enumerate_Uninstall();
    EXPECT_EQ(names + commands + programs.program_name + programs.uninstall_Path, "");
    EXPECT_EQ(messages, 0);
}

}  // namespace
