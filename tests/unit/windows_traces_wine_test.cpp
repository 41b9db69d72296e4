// The Windows traces on a real Wine prefix: lists written by `wine reg add` and files in the
// prefix's own TEMP are cleaned, and Wine, reading the prefix afterwards, finds them gone and
// everything else as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "engine/cleaners/misc_functions.h"
#include "engine/foundation/message_text.h"
#include "platform/machine/machine.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/user_environment.h"
#include "tests/unit/support/scoped_env.h"
#include "tests/unit/support/wine_prefix.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kRunMRU = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
constexpr const char* kPaintMRU = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List";
constexpr const char* kRegEdit = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
constexpr const char* kKept = "HKCU\\Software\\PlanTest";

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The key sections of a hive file ("[Software\\...]" with its values), without the header.
std::set<std::string> sections(const std::string& hive) {
    std::set<std::string> found;
    size_t start = hive.find("\n[");
    while (start != std::string::npos) {
        size_t next = hive.find("\n[", start + 1);
        found.insert(hive.substr(start + 1, next == std::string::npos ? std::string::npos : next - start - 1));
        start = next;
    }
    return found;
}

bool names_key(const std::string& section, const std::string& hive_key) { return section.rfind("[" + hive_key + "]", 0) == 0; }

TEST(WindowsTracesOnWine, ListsAndTempFilesOfARealPrefixAreCleanedAndTheRestKept) {
    if (!tavrin_test::WinePrefix::available()) GTEST_SKIP() << "wine is not installed: no real prefix to clean";
    tavrin_test::WinePrefix prefix;
    ASSERT_TRUE(prefix.reg_add(kRunMRU, "a", "notepad\\1"));
    ASSERT_TRUE(prefix.reg_add(kRunMRU, "MRUList", "a"));
    ASSERT_TRUE(prefix.reg_add(kPaintMRU, "File1", "C:\\users\\secret.bmp"));
    ASSERT_TRUE(prefix.reg_add(kRegEdit, "LastKey", "HKEY_CURRENT_USER\\Software"));
    ASSERT_TRUE(prefix.reg_add(kKept, "kept", "yes"));
    prefix.stop_server();
    const std::string user_before = read_file(prefix.dir() / "user.reg");
    const std::string system_before = read_file(prefix.dir() / "system.reg");

    std::string user_temp;
    std::string user_after;
    std::string system_after;
    {
        auto machine = platform::Machine::open(prefix.dir());
        const platform::CurrentMachineScope current(*machine);
        user_temp = platform::user_environment(*machine)["TEMP"];
        auto host_temp = machine->files().to_host(user_temp);
        ASSERT_TRUE(host_temp);
        fs::create_directories(*host_temp / "nested");
        std::ofstream(*host_temp / "download.tmp") << "tmp";
        std::ofstream(*host_temp / "nested" / "setup.tmp") << "tmp";

        engine::Misc_Functions misc;
        misc.CleanRunDialog();
        misc.DeleteMsPaintMRU();
        misc.CleanRegEdit();
        misc.CleanTemp();
        machine->flush();
        user_after = read_file(prefix.dir() / "user.reg");
        system_after = read_file(prefix.dir() / "system.reg");

        EXPECT_TRUE(fs::is_directory(*host_temp / "nested"));
        EXPECT_FALSE(fs::exists(*host_temp / "download.tmp"));
        EXPECT_FALSE(fs::exists(*host_temp / "nested" / "setup.tmp"));
    }

    EXPECT_FALSE(prefix.reg_query(kRunMRU));
    EXPECT_FALSE(prefix.reg_query(kPaintMRU));
    EXPECT_FALSE(prefix.reg_query(kRegEdit));
    std::string kept;
    EXPECT_TRUE(prefix.reg_query(kKept, "kept", &kept));
    EXPECT_NE(kept.find("yes"), std::string::npos);
    std::string temp_value;
    EXPECT_TRUE(prefix.reg_query("HKCU\\Environment", "TEMP", &temp_value));
    EXPECT_NE(temp_value.find("Temp"), std::string::npos);
    prefix.stop_server();

    // Every other key of the user's hive is as Wine wrote it; the machine hive is untouched (Wine
    // itself rewrites both when it runs, so they are compared as the program left them).
    std::set<std::string> expected;
    for (const auto& section : sections(user_before)) {
        bool removed = names_key(section, "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\RunMRU") ||
                       names_key(section, "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Applets\\\\Paint\\\\Recent File List") ||
                       names_key(section, "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Applets\\\\Regedit");
        if (!removed) expected.insert(section);
    }
    const auto after = sections(user_after);
    for (const auto& section : expected) EXPECT_TRUE(after.count(section)) << section.substr(0, 120);
    // A parent left without values or subkeys is written as an empty key, as Wine does.
    for (const auto& section : after) {
        if (expected.count(section)) continue;
        EXPECT_EQ(section.find("\n\""), std::string::npos) << section;
        EXPECT_EQ(section.find("\n@"), std::string::npos) << section;
    }
    EXPECT_TRUE(system_after == system_before) << "system.reg was rewritten";
}

// wineboot links Templates to the home folder itself when the home has no Templates folder.
// Changes outside the machine allowed (as the desktop trash needs) or not, the home folder and
// everything in it stay, and the run notes the refusal with the home folder as its reason.
TEST(WindowsTracesOnWine, ATemplatesFolderLinkedToTheHomeFolderIsNeverEmptied) {
    if (!tavrin_test::WinePrefix::available()) GTEST_SKIP() << "wine is not installed: no real prefix to clean";
    tavrin_test::WinePrefix prefix;
    const fs::path home = prefix.home();
    fs::create_directories(home / ".ssh");
    std::ofstream(home / ".ssh" / "id_ed25519") << "key";
    std::ofstream(home / ".bashrc") << "rc";
    const tavrin_test::ScopedEnv stand_in_home("HOME", home.string());

    auto machine = platform::Machine::open(prefix.dir(), {.allow_outside_machine = true});
    const platform::CurrentMachineScope current(*machine);
    const std::string templates = platform::inet::user_shell_folder(*machine, "Templates");
    ASSERT_EQ(fs::canonical(*machine->files().to_host(templates)), fs::canonical(home)) << templates;
    std::vector<platform::Refused> refused;
    const std::string home_reason = engine::GetMessageText("msg419") + " " + fs::canonical(home).string();
    {
        platform::Recording recording(*machine, platform::RemovalLog::Mode::Record);
        engine::Misc_Functions().DeleteTemplatesFolder();
        refused = machine->removals().refused();
        EXPECT_TRUE(recording.finish().empty());
    }

    EXPECT_EQ(read_file(home / ".ssh" / "id_ed25519"), "key");
    EXPECT_EQ(read_file(home / ".bashrc"), "rc");
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].path, templates);
    EXPECT_EQ(refused[0].reason, home_reason);
}

}  // namespace
