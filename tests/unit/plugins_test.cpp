// Plug-in definitions in the encrypted plug-in file, their loading and adding, cleaning with
// them, the checks their entries pass first, and the definitions the program ships.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "engine/foundation/message_text.h"
#include "engine/plugins/blowfish.h"
#include "engine/plugins/default_plugin_file.h"
#include "engine/plugins/entry_guard.h"
#include "engine/plugins/plugins.h"
#include "engine/plugins/plugin_registry_entry.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/folder_snapshot.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;
using engine::Plugin;
using engine::Plugins;

const std::string kMissing(255, '\0');  // what the INI reader gives for a missing key

std::string read_host(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

using tavrin_test::key_exists;
using tavrin_test::set_value;

class PluginsTest : public tavrin_test::MachineTest {
protected:
    PluginsTest() {
        plugins.ShowLog.subscribe([this](std::string& line) { log.push_back(line); });
    }

    // Puts a plain definition text into the encrypted plug-in file, as another machine would ship it.
    void store_plugin_file(const std::string& text) {
        temp.write_file("C:\\plain-plugins.ini", text);
        ASSERT_TRUE(
            engine::Blowfish().EncryptFile("C:\\plain-plugins.ini", Plugins::plugin_file(), true, Plugins::kFileKey));
    }
    std::string working_copy_text() { return plugins.working_copy(); }
    std::string stored_bytes() { return read_host(temp.host(Plugins::plugin_file())); }
    bool exists(const std::string& windows_path) { return fs::exists(fs::symlink_status(temp.host(windows_path))); }
    bool logged(const std::string& part) {
        return std::any_of(log.begin(), log.end(),
                           [&](const std::string& line) { return line.find(part) != line.npos; });
    }
    const Plugin* find(const std::vector<Plugin>& loaded, const std::string& name) {
        auto it = std::find_if(loaded.begin(), loaded.end(), [&](const Plugin& p) { return p.Name == name; });
        return it == loaded.end() ? nullptr : &*it;
    }

    Plugins plugins;
    std::vector<std::string> log;
};

TEST_F(PluginsTest, AddPluginWritesTheSectionInOrderAndTheLoaderReadsItBack) {
    Plugin added;
    added.Name = "Demo Viewer";
    added.Cat = "Viewers";
    added.Detect = "HKEY_CURRENT_USER\\Software\\Demo Viewer";
    added.SetRCList =
        "HKEY_CURRENT_USER\\Software\\Demo Viewer\\Recent|"
        "HKEY_CURRENT_USER\\Software\\Demo Viewer+ Value`= LastFile";
    added.SetFOCList = "C:\\Demo Viewer\\Cache";
    plugins.AddPlugin(added);

    const std::string text = working_copy_text();
    size_t at = 0;
    for (const char* line :
         {"Detect=HKEY_CURRENT_USER\\Software\\Demo Viewer", "RC=2", "FC=0", "FOC=1", "CAT=Viewers",
          "RK1=HKEY_CURRENT_USER\\Software\\Demo Viewer\\Recent",
          "RK2=HKEY_CURRENT_USER\\Software\\Demo Viewer+ Value`= LastFile", "FOK1=C:\\Demo Viewer\\Cache"}) {
        size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " missing or out of order in\n" << text;
        at = found;
    }
    EXPECT_EQ(stored_bytes().find("Demo Viewer"), std::string::npos) << "the stored file must not hold plain text";

    set_value(HKEY_CURRENT_USER, "Software\\Demo Viewer", "LastFile", "x");
    const std::vector<Plugin> loaded = plugins.Load_Extra_plugins();
    ASSERT_EQ(loaded.size(), 2u);
    const Plugin& p = loaded[0];
    EXPECT_EQ(p.Name, "Demo Viewer");
    EXPECT_EQ(p.Cat, "Viewers");
    EXPECT_TRUE(p.Exists);
    EXPECT_EQ(p.RC, 2);
    ASSERT_EQ(p.rclist.size(), 3u);
    EXPECT_EQ(p.rclist[0], kMissing);
    EXPECT_EQ(p.rclist[2], "HKEY_CURRENT_USER\\Software\\Demo Viewer+ Value`= LastFile");
    EXPECT_EQ(p.fclist.size(), 1u);
    ASSERT_EQ(p.foclist.size(), 2u);
    EXPECT_EQ(p.foclist[1], "C:\\Demo Viewer\\Cache");
    EXPECT_EQ(p.App, kMissing) << "AddPlugin writes no APP key";
    EXPECT_FALSE(p.Default);
    EXPECT_EQ(loaded[1].Name, "");
}

TEST_F(PluginsTest, TheLoaderReadsOddDefinitionsTheWayTheyAreWritten) {
    store_plugin_file(
        "[Installed]\nDetect=HKEY_LOCAL_MACHINE\\Software\\Installed App\nDefault= TRUE \nAPP=App\n"
        "RC=1x\nRK0=HKEY_CURRENT_USER\\Software\\Zero\nRK1=HKEY_CURRENT_USER\\Software\\One\nFC=abc\nFOC=-3\n"
        "[Missing]\nDetect=HKEY_LOCAL_MACHINE\\Software\\Not There\nFC= 2\n"
        "[Not a root]\nDetect=HKEY_LOCAL_MACHINEX\\Software\\Installed App\n");
    set_value(HKEY_LOCAL_MACHINE, "Software\\Installed App", "Path", "C:\\App");

    const std::vector<Plugin> loaded = plugins.Load_Extra_plugins();
    ASSERT_EQ(loaded.size(), 4u) << "three sections and one empty record";
    EXPECT_EQ(loaded[3].Name, "");
    const Plugin& installed = loaded[0];
    EXPECT_TRUE(installed.Exists);
    EXPECT_TRUE(installed.Default);
    EXPECT_EQ(installed.App, "App");
    EXPECT_EQ(installed.RC, 1);
    ASSERT_EQ(installed.rclist.size(), 2u);
    EXPECT_EQ(installed.rclist[0], "HKEY_CURRENT_USER\\Software\\Zero");
    EXPECT_EQ(installed.FC, 0);
    EXPECT_EQ(installed.FOC, 0);
    EXPECT_EQ(loaded[1].FC, 2);
    EXPECT_EQ(loaded[1].fclist.size(), 3u);
    EXPECT_FALSE(loaded[1].Exists);
    EXPECT_FALSE(loaded[2].Exists);
}

TEST_F(PluginsTest, WithoutAFileOrWithVeryLongSectionNamesAndValuesEverythingIsRead) {
    EXPECT_EQ(plugins.Load_Extra_plugins().size(), 1u) << "no plug-in file: one empty record";

    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "[" + std::string(100, static_cast<char>('A' + i % 26)) + std::to_string(i) + "]\nFC=0\n";
    const std::string long_folder = "C:\\Keep\\" + std::string(600, 'k');
    store_plugin_file(text + "[Long]\nFOC=1\nFOK1=" + long_folder + "\n[Long]\nFOC=0\n");
    const std::vector<Plugin> loaded = plugins.Load_Extra_plugins();
    ASSERT_EQ(loaded.size(), 62u) << "no 5,000-character limit on the section names; a repeated name once";
    EXPECT_EQ(loaded[60].foclist.at(1), long_folder) << "no 254-character limit on a value";
    EXPECT_EQ(loaded.back().Name, "");
}

TEST_F(PluginsTest, AddingANameThatExistsExtendsTheSectionInPlace) {
    Plugin first;
    first.Name = "Tool";
    first.SetFOCList = "C:\\a|C:\\b|C:\\c";
    plugins.AddPlugin(first);
    Plugin second;
    second.Name = "TOOL";
    second.SetFOCList = "C:\\z";
    plugins.AddPlugin(second);

    const std::string text = working_copy_text();
    EXPECT_NE(text.find("FOK3=C:\\c"), std::string::npos) << "keys beyond the new count stay";
    const std::vector<Plugin> loaded = plugins.Load_Extra_plugins();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].foclist, (std::vector<std::string>{kMissing, "C:\\z"}));
}

// What the loader keeps of the last decryption never stands for another version of the file, even
// one of the same size written in the same instant.
TEST_F(PluginsTest, TheLoaderReadsTheFileAsItIsNowWhoeverReplacedIt) {
    store_plugin_file("[One]\nFC=0\n");
    ASSERT_TRUE(find(plugins.Load_Extra_plugins(), "One"));
    store_plugin_file("[Two]\nFC=0\n");
    const std::vector<Plugin> loaded = plugins.Load_Extra_plugins();
    EXPECT_TRUE(find(loaded, "Two"));
    EXPECT_FALSE(find(loaded, "One"));
    temp.write_file(Plugins::plugin_file(), std::string(24, '\x5a'));
    EXPECT_EQ(plugins.Load_Extra_plugins().size(), 1u) << "only the closing empty record";
}

TEST_F(PluginsTest, AFileThatDoesNotDecryptIsNeverOverwritten) {
    temp.write_file(Plugins::plugin_file(), std::string(24, '\x5a'));
    const std::string before = stored_bytes();
    Plugin added;
    added.Name = "New";
    try {
        plugins.AddPlugin(added);
        FAIL() << "AddPlugin must refuse a plug-in file it cannot read";
    } catch (const engine::EngineError& error) {
        EXPECT_EQ(error.description(), engine::GetMessageText("msg74"));
    }
    EXPECT_EQ(stored_bytes(), before);
    EXPECT_EQ(plugins.working_copy(), "");
}

// The definitions are what the encryption protects: reading them writes nothing, adding one
// changes only the encrypted file, and the plain copy earlier versions left behind is shredded.
TEST_F(PluginsTest, NoPlainCopyOfTheDefinitionsReachesTheDisk) {
    store_plugin_file("[Secret Tool]\nDetect=HKEY_CURRENT_USER\\Software\\Secret\nFC=0\n");
    const auto before = tavrin_test::snapshot(temp.dir());
    ASSERT_EQ(plugins.Load_Extra_plugins().size(), 2u);
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(temp.dir())), "");
    Plugin added;
    added.Name = "Added";
    plugins.AddPlugin(added);
    const std::string plugin_file = temp.host(Plugins::plugin_file()).lexically_relative(temp.dir()).string();
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(temp.dir())), "changed: " + plugin_file + "\n");

    const std::string old_copy = "C:\\windows\\npl.pln";
    EXPECT_FALSE(Plugins::shred_old_working_copy()) << "none there";
    temp.write_file(old_copy, "[Secret Tool]\nFC=0\n");
    EXPECT_TRUE(Plugins::shred_old_working_copy());
    EXPECT_FALSE(exists(old_copy));
}

// The program serves queued commands when an engine operation lets it; one served in the middle of
// an add would decrypt over the working copy being edited, or add over it.
TEST_F(PluginsTest, PlugInFileOperationsNeverHandControlToTheProgram) {
    store_plugin_file(std::string(200'000, ';') + "\n[Big]\nFC=0\n");
    int served = 0;
    const engine::HostHooksInPlace hooks({.process_pending = [&] { ++served; }});
    Plugin added;
    added.Name = "Added";
    plugins.AddPlugin(added);
    const auto loaded = plugins.Load_Extra_plugins();
    EXPECT_EQ(served, 0);
    EXPECT_EQ(loaded.size(), 3u);
}

TEST_F(PluginsTest, ANameTheListsCannotCarryOrAnEntryTheFileCannotGiveBackIsRefused) {
    Plugin first;
    first.Name = "Kept";
    plugins.AddPlugin(first);
    const std::string before = stored_bytes();
    for (const char* name : {"", "   ", "a|b", "[x]", "two\nlines"}) {
        Plugin bad;
        bad.Name = name;
        EXPECT_THROW(plugins.AddPlugin(bad), engine::EngineError) << name;
    }
    // Read back without its quotes or blank, each would name another folder.
    for (const std::string& folder : {std::string("\"C:\\Keep\""), std::string("C:\\Keep\\sub ")}) {
        Plugin bad;
        bad.Name = "Long";
        bad.SetFOCList = "C:\\Fine|" + folder;
        try {
            plugins.AddPlugin(bad);
            ADD_FAILURE() << folder;
        } catch (const engine::EngineError& error) {
            EXPECT_EQ(error.description(), engine::GetMessageText("msg442") + " " + folder);
        }
    }
    EXPECT_EQ(stored_bytes(), before);
    EXPECT_EQ(plugins.Load_Extra_plugins().size(), 2u);
}

TEST_F(PluginsTest, CleaningShredsFilesAndFoldersAndDeletesKeysAndSingleValues) {
    temp.write_file("C:\\Demo\\trace.log", "trace");
    temp.write_file("C:\\Demo\\keep.txt", "keep");
    temp.write_file("C:\\Demo\\Cache\\a.bin", "a");
    temp.write_file("C:\\Demo\\Cache\\deep\\b.bin", "b");
    const std::string appdata_file =
        "C:\\Documents and Settings\\" + machine().user_name() + "\\Application Data\\Demo\\recent.xml";
    temp.write_file(appdata_file, "<recent/>");
    set_value(HKEY_CURRENT_USER, "Software\\Demo\\Recent\\Sub", "File1", "C:\\a.txt");
    set_value(HKEY_CURRENT_USER, "Software\\Demo", "LastFile", "C:\\b.txt");
    set_value(HKEY_CURRENT_USER, "Software\\Demo", "Language", "en");

    Plugin plugin;
    plugin.Name = "Demo";
    plugin.fclist = {kMissing, "C:\\Demo\\trace.log", "%APPDATA%\\Demo\\recent.xml"};
    plugin.foclist = {kMissing, "C:\\Demo\\Cache"};
    plugin.rclist = {kMissing, "HKEY_CURRENT_USER\\Software\\Demo\\Recent",
                     "HKEY_CURRENT_USER\\Software\\Demo+ Value`= LastFile"};
    plugins.cleanPlugin(plugin);

    EXPECT_FALSE(exists("C:\\Demo\\trace.log"));
    EXPECT_FALSE(exists(appdata_file)) << "%APPDATA% is expanded from the machine";
    EXPECT_FALSE(exists("C:\\Demo\\Cache"));
    EXPECT_TRUE(exists("C:\\Demo\\keep.txt"));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "Software\\Demo\\Recent"));
    EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, "Software\\Demo"), std::vector<std::string>{"Language"});
    EXPECT_TRUE(logged("trace.log"));
    EXPECT_TRUE(logged("b.bin"));
    EXPECT_TRUE(logged("LastFile"));
    EXPECT_TRUE(logged("Software\\Demo\\Recent"));
}

TEST_F(PluginsTest, EntriesThatNameTooMuchAreRefusedAndTheRestRuns) {
    temp.write_file("C:\\WINDOWS\\system32\\important.dll", "MZ");
    temp.write_file("C:\\Demo\\trace.log", "trace");
    set_value(HKEY_CURRENT_USER, "Software\\Demo", "LastFile", "C:\\b.txt");
    set_value(HKEY_CURRENT_USER, "Software\\Other", "Setting", "1");
    set_value(HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt", "", "txtfile");
    set_value(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Stale", "Start", "4");
    set_value(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Kept", "Start", "2");

    Plugin plugin;
    plugin.Name = "Hostile";
    plugin.fclist = {kMissing, kMissing, "C:\\Demo\\trace.log"};
    plugin.foclist = {kMissing,
                      "",
                      "C:\\",
                      "c:\\windows\\",
                      "%WINDIR%",
                      "C:\\Program Files",
                      "C:\\Program Files\\Orvane\\plugins\\..",
                      "%APPDATA%",
                      "C:\\Documents and Settings"};
    plugin.rclist = {kMissing,
                     "HKEY_CURRENT_USER",
                     "HKEY_CURRENT_USER\\Software",
                     "HKEY_CURRENT_USER\\Software\\",
                     "HKEY_USERS\\.Default",
                     "HKEY_LOCAL_MACHINE\\Software\\Classes",
                     "",
                     "Software\\Other+ Value`= Setting",
                     "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet",
                     "hkey_local_machine\\system\\controlset001\\services",
                     "HKEY_LOCAL_MACHINE\\Software\\Microsoft",
                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion",
                     "HKEY_USERS\\.Default\\Software\\Microsoft\\Windows",
                     "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion",
                     "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Stale",
                     "HKEY_CURRENT_USER\\Software\\Demo+ Value`= LastFile"};
    ASSERT_NO_THROW(plugins.cleanPlugin(plugin));

    EXPECT_TRUE(exists("C:\\WINDOWS\\system32\\important.dll"));
    EXPECT_TRUE(exists("C:\\Program Files\\Orvane\\skin"));
    EXPECT_TRUE(exists("C:\\Documents and Settings"));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "Software\\Microsoft"));
    EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, "Software\\Other"), std::vector<std::string>{"Setting"});
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt"));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Kept"));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion"));
    // What the plug-in may remove is removed all the same.
    EXPECT_FALSE(exists("C:\\Demo\\trace.log"));
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, "Software\\Demo").empty());
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Stale"));

    const auto refusals = std::count_if(log.begin(), log.end(), [](const std::string& line) {
        for (const char* key : {"msg70", "msg71", "msg72", "msg73", "msg440", "msg441"})
            if (line.starts_with(engine::GetMessageText(key) + ": Hostile - ")) return true;
        return false;
    });
    EXPECT_EQ(refusals, 1 + 8 + 13) << "one line per refused entry; key 0 is no entry";
    EXPECT_TRUE(logged(engine::GetMessageText("msg440") + ": Hostile - HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet"));
}

TEST_F(PluginsTest, AFolderWithoutAnythingToRemoveAndEmptyListsTouchNothing) {
    temp.write_file("C:\\Demo\\keep.txt", "keep");
    Plugin plugin;
    plugin.Name = "Empty";
    plugin.fclist = {"C:\\Demo\\keep.txt"};  // index 0 is never a file entry
    plugin.foclist = {"C:\\Demo"};
    plugin.rclist = {kMissing};
    plugins.cleanPlugin(plugin);
    EXPECT_TRUE(exists("C:\\Demo\\keep.txt"));
    EXPECT_TRUE(log.empty());
}

TEST_F(PluginsTest, TheShippedFileIsInstalledOnceAndItsEntriesPassTheChecks) {
    ASSERT_TRUE(engine::install_default_plugin_file());
    EXPECT_FALSE(engine::install_default_plugin_file()) << "an existing file is the user's and stays";
    EXPECT_EQ(stored_bytes().find("Detect"), std::string::npos);

    const std::vector<Plugin> loaded = plugins.Load_Extra_plugins();
    ASSERT_GE(loaded.size(), 10u);
    EXPECT_EQ(working_copy_text(), std::string(engine::default_plugin_definitions()));
    const engine::EntryGuard guard;
    for (const Plugin& p : loaded) {
        if (p.Name.empty()) continue;
        EXPECT_EQ(p.RC + 1u, p.rclist.size()) << p.Name;
        for (size_t i = 1; i < p.rclist.size(); ++i)
            EXPECT_EQ(guard.check_registry(p.rclist[i], engine::parse_registry_entry(p.rclist[i])),
                      engine::EntryRefusal::None)
                << p.Name << ": " << p.rclist[i];
        for (size_t i = 1; i < p.foclist.size(); ++i) {
            const std::string folder = guard.expand(p.foclist[i]);
            EXPECT_EQ(folder.find('%'), std::string::npos) << p.foclist[i];
            EXPECT_EQ(guard.check_folder(folder), engine::EntryRefusal::None) << p.Name << ": " << p.foclist[i];
        }
        for (size_t i = 1; i < p.fclist.size(); ++i)
            EXPECT_EQ(guard.expand(p.fclist[i]).find('%'), std::string::npos) << p.fclist[i];
    }
}

}  // namespace
