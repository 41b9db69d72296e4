// The plug-in screen through the program's commands: the lists pushed at start-up and on request,
// the add form with its "\ " rule, the clean of the ticked plug-ins, and a refused add.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/demo/plugin_traces.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/message_text.h"
#include "engine/plugins/blowfish.h"
#include "engine/plugins/default_plugin_file.h"
#include "engine/plugins/plugins.h"
#include "platform/sys/run_cancel.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/program_fixture.h"

namespace {

namespace fs = std::filesystem;
using tavrin_test::ProgramTest;

constexpr const char* kTwoPlugins =
    "[Alpha]\nDetect=HKEY_CURRENT_USER\\Software\\Alpha\nFC=1\nFK1=C:\\alpha.log\n"
    "[Beta]\nDetect=HKEY_CURRENT_USER\\Software\\Beta\nFC=1\nFK1=C:\\beta.log\n";

class PluginScreenTest : public ProgramTest {
protected:
    void store_plugin_file(const std::string& text) {
        temp.write_file("C:\\plain-plugins.ini", text);
        ASSERT_TRUE(engine::Blowfish().EncryptFile("C:\\plain-plugins.ini", engine::Plugins::plugin_file(), true,
                                                   engine::Plugins::kFileKey));
    }
    void mark_installed(const std::string& key) {
        engine::cRegistry reg;
        reg.ValueEx(engine::HKEY_CURRENT_USER, key, "Path", engine::REG_SZ, engine::Variant(), std::string("C:\\"));
    }
    void type_into(const std::string& name, const std::string& value) {
        stage.set_variable(app::kMainMovie, name, value);
    }
    bool exists(const std::string& windows_path) const { return fs::exists(temp.host(windows_path)); }
    std::vector<std::string> log_window_lines() const { return stage.values_of(app::kLogMovie, "_root.LogFile"); }
};

TEST_F(PluginScreenTest, StartUpListsTheInstalledPlugInsAndTheShowCommandListsAll) {
    store_plugin_file(kTwoPlugins);
    mark_installed("Software\\Alpha");
    program.start();

    EXPECT_EQ(main_var("_root.NumberOfItems"), "1");
    EXPECT_EQ(main_var("_root.NamesOfItems"), "ALPHA");
    EXPECT_EQ(main_var("_root.valueOfItems0"), "false");
    EXPECT_EQ(main_var("_root.ReLoadThePluginList"), "1");

    command("IDC_FS_SPLUGINS");
    EXPECT_EQ(main_var("_root.NumberOfItems"), "2");
    EXPECT_EQ(main_var("_root.NamesOfItems"), "ALPHA|BETA");
    EXPECT_EQ(main_var("_root.valueOfItems1"), "false");

    command("IDC_FS_HPLUGINS");
    EXPECT_EQ(main_var("_root.NamesOfItems"), "ALPHA");
}

TEST_F(PluginScreenTest, WithoutAPlugInFileTheListIsEmpty) {
    program.start();
    EXPECT_EQ(main_var("_root.NumberOfItems"), "0");
    EXPECT_EQ(main_var("_root.NamesOfItems"), "");
}

TEST_F(PluginScreenTest, TheAddFormBecomesASectionWithBlanksAfterBackslashesRemoved) {
    program.start();
    type_into("_root.PluginNameVlaue_Reg_New", "|Gamma|");
    type_into("_root.ListOneValues2", "Gamma Player");
    type_into("_root.PluginCategoryVlaue_Reg_New", "Players");
    type_into("_root.ListOneValues", "HKEY_CURRENT_USER\\ Software\\ Gamma");
    type_into("_root.ListOneValues3", "|HKEY_CURRENT_USER\\ Software\\ Gamma\\ Recent|");
    type_into("_root.ListOneValues4", "C:\\ gamma.log|C:\\gamma.ini");
    type_into("_root.ListOneValues5", "C:\\ Gamma\\ Cache");
    command("IDC_FS_PLUGIN_NEW");

    command("IDC_FS_SPLUGINS");
    EXPECT_EQ(main_var("_root.NamesOfItems"), "GAMMA");
    const std::vector<engine::Plugin> loaded = engine::Plugins().Load_Extra_plugins();
    ASSERT_EQ(loaded.size(), 2u);
    const engine::Plugin& gamma = loaded[0];
    EXPECT_EQ(gamma.Name, "Gamma");
    EXPECT_EQ(gamma.Cat, "Players");
    EXPECT_EQ(gamma.Detect, "HKEY_CURRENT_USER\\Software\\Gamma");
    EXPECT_EQ(gamma.rclist.at(1), "HKEY_CURRENT_USER\\Software\\Gamma\\Recent");
    // File paths keep what the user typed: only registry and folder fields lose the blanks.
    EXPECT_EQ(gamma.fclist, (std::vector<std::string>{std::string(255, '\0'), "C:\\ gamma.log", "C:\\gamma.ini"}));
    EXPECT_EQ(gamma.foclist.at(1), "C:\\Gamma\\Cache");
}

TEST_F(PluginScreenTest, OnlyNamesEndedByABarAreCleanedIgnoringCaseWithTheLogWindow) {
    store_plugin_file(kTwoPlugins);
    temp.write_file("C:\\alpha.log", "alpha");
    temp.write_file("C:\\beta.log", "beta");
    program.start();

    command("IDC_FS_CLEANPLUGIN", "Beta");  // the last element is never taken
    EXPECT_TRUE(exists("C:\\beta.log"));

    command("IDC_FS_CLEANPLUGIN", "alpha|");
    EXPECT_FALSE(exists("C:\\alpha.log"));
    EXPECT_TRUE(exists("C:\\beta.log"));
    EXPECT_TRUE(stage.window_visible(app::kLogMovie));
    const auto lines = log_window_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "alpha.log"), lines.end());
    EXPECT_TRUE(lines.back().starts_with(text("msg4") + ": ")) << lines.back();
}

// Cancel pressed while the first plug-in works is heard before the second: its file stays, and the
// run says what it removed and how far it counted.
TEST_F(PluginScreenTest, ACancelledRunStopsBeforeTheNextPlugInAndSaysWhatItRemoved) {
    store_plugin_file(kTwoPlugins);
    temp.write_file("C:\\alpha.log", "alpha");
    temp.write_file("C:\\beta.log", "beta");
    program.start();
    stage.while_running([](const tavrin_test::RecordingStage::Set& set) {
        if (set.name == "_root.LogFile" && set.value == "alpha.log") platform::request_run_cancel();
    });
    command("IDC_FS_CLEANPLUGIN", "alpha|beta|");
    EXPECT_FALSE(exists("C:\\alpha.log"));
    EXPECT_TRUE(exists("C:\\beta.log"));
    EXPECT_EQ(log_window_lines().back(), "Cancelled: removed 1 file, 5 B; the rest was left as it was.");
    EXPECT_EQ(stage.values_of(app::kMainMovie, "_root.ProgressCount"),
              (std::vector<std::string>{"", "0 of 2", "1 of 2", ""}));
    EXPECT_EQ(main_var("_root.RunCancellable"), "0");
}

TEST_F(PluginScreenTest, AnAddToAFileThatDoesNotDecryptIsRefusedWithAMessage) {
    temp.write_file(engine::Plugins::plugin_file(), std::string(32, '\x17'));
    program.start();
    type_into("_root.PluginNameVlaue_Reg_New", "Delta");
    stage.will_press(text("msg18"));
    command("IDC_FS_PLUGIN_NEW");

    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].message, engine::GetMessageText("msg74"));
    EXPECT_EQ(stage.boxes()[0].title, text("msg76"));
    EXPECT_EQ(machine().files().read_text(engine::Plugins::plugin_file()), std::string(32, '\x17'));
}

TEST_F(PluginScreenTest, TheShippedPlugInsFindTheDemoTracesOfANewSandboxAndCleanThem) {
    ASSERT_TRUE(engine::install_default_plugin_file());
    app::demo::plant_plugin_traces();
    const std::string appdata = "C:\\Documents and Settings\\" + machine().user_name() + "\\Application Data";
    ASSERT_TRUE(exists(appdata + "\\vlc\\ml.xspf"));
    program.start();

    const std::string installed = main_var("_root.NamesOfItems");
    for (const char* name : {"VLC MEDIA PLAYER", "7-ZIP", "CHROME CACHE"})
        EXPECT_NE(installed.find(name), std::string::npos) << name << " missing from " << installed;
    EXPECT_EQ(installed.find("WINRAR"), std::string::npos);

    command("IDC_FS_CLEANPLUGIN", "VLC MEDIA PLAYER|7-ZIP|CHROME CACHE|");
    EXPECT_FALSE(exists(appdata + "\\vlc\\ml.xspf"));
    EXPECT_FALSE(exists(appdata + "\\vlc\\art"));
    EXPECT_TRUE(exists(appdata + "\\vlc")) << "only the traces go";
    EXPECT_EQ(tavrin_test::value_names(engine::HKEY_CURRENT_USER, "Software\\7-Zip\\FM"), std::vector<std::string>{});
    EXPECT_EQ(tavrin_test::value_names(engine::HKEY_CURRENT_USER, "Software\\7-Zip\\Options"),
              std::vector<std::string>{"Lang"});
    command("IDC_FS_HPLUGINS");
    EXPECT_NE(main_var("_root.NamesOfItems").find("7-ZIP"), std::string::npos) << "the application is still installed";
}

}  // namespace
