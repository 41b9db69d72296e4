// The browser, messenger and Office runs and the start-up check of installed applications,
// driven as the page drives them, on a real temporary machine with the demo traces.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/demo/application_traces.h"
#include "engine/foundation/cregistry.h"
#include "platform/inet/user_folders.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;

constexpr const char* kEnableVariables[] = {"_root.NS_Enabled", "_root.OP_Enabled",  "_root.AOL_Enabled",
                                            "_root.FF_Enabled", "_root.MSN_Enabled", "_root.YAHOO_Enabled",
                                            "_root.ICQ_Enabled"};

class ApplicationRunsTest : public tavrin_test::ProgramTest {
protected:
    bool exists(const std::string& windows_path) { return std::filesystem::exists(temp.host(windows_path)); }
    std::string app_data() { return platform::inet::user_shell_folder(machine(), "AppData"); }
    std::string netscape_profile() { return app_data() + "\\Mozilla\\Profiles\\default\\k3x8a2pq.slt"; }
    std::string firefox_profile() { return app_data() + "\\Mozilla\\Firefox\\Profiles\\x7k2m9qa.default"; }
    static bool value_exists(engine::ERegistryClassConstants root, const std::string& key, const std::string& name) {
        engine::cRegistry reg;
        return !reg.ValueEx(root, key, name, engine::REG_NONE, engine::Variant()).is_empty();
    }
    static bool key_exists(const std::string& key) {
        engine::cRegistry reg;
        reg.ClassKey(HKEY_CURRENT_USER);
        reg.SectionKey(key);
        return reg.KeyExists();
    }
    std::vector<std::string> log_window_lines() { return stage.values_of(app::kLogMovie, "_root.LogFile"); }
    bool logged(const std::string& part) {
        auto lines = log_window_lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const auto& line) { return line.find(part) != std::string::npos; });
    }
};

TEST_F(ApplicationRunsTest, WithoutTheApplicationsEveryCategoryIsGreyedOutAndCannotRun) {
    program.start();
    for (const char* name : kEnableVariables) EXPECT_EQ(main_var(name), "0") << name;
    // Traces of an application whose key is missing stay, even when a script sends the command.
    app::demo::plant_application_traces();
    engine::cRegistry reg;
    reg.ClassKey(HKEY_LOCAL_MACHINE);
    reg.SectionKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\firefox.exe");
    reg.DeleteKey();
    command("IDC_FS_FF", "1,1,1,1");
    EXPECT_TRUE(exists(firefox_profile() + "\\cookies.txt"));
    EXPECT_TRUE(log_window_lines().empty());
}

TEST_F(ApplicationRunsTest, OnTheDemoTracesEveryCategoryIsEnabledAndCleansItsOwnTraces) {
    app::demo::plant_application_traces();
    program.start();
    for (const char* name : kEnableVariables) EXPECT_NE(main_var(name), "0") << name;

    stage.will_press(text("msg837"));  // bookmarks and received files ask first
    command("IDC_FS_FF", "1,1,1,1");
    EXPECT_FALSE(exists(firefox_profile() + "\\history.dat"));
    EXPECT_FALSE(exists(firefox_profile() + "\\cookies.txt"));
    EXPECT_FALSE(exists(firefox_profile() + "\\bookmarks.bak"));
    EXPECT_FALSE(exists(firefox_profile() + "\\Cache\\3F2A1B00d01"));
    EXPECT_TRUE(logged("bookmarks.html"));
    EXPECT_TRUE(log_window_lines().back().starts_with(text("msg4") + ": ")) << log_window_lines().back();
    // The other categories' traces are all still there.
    EXPECT_TRUE(exists(netscape_profile() + "\\Cookies.txt"));
    EXPECT_TRUE(exists("C:\\Program Files\\ICQLite\\Chats\\chat-4711.txt"));

    stage.will_press(text("msg837"));  // bookmarks and received files ask first
    command("IDC_FS_ICQ", "1,1,1,1");
    EXPECT_FALSE(exists("C:\\Program Files\\ICQLite\\Chats\\chat-4711.txt"));
    EXPECT_FALSE(exists("C:\\Program Files\\ICQLite\\AteBrowser\\page.htm"));
    EXPECT_FALSE(exists(app_data() + "\\ICQ\\ReceivedFiles\\4711\\transfer-1.xml"));
    EXPECT_TRUE(logged("chat-4711.txt"));

    command("IDC_FS_YAHOO", "1,1");
    EXPECT_FALSE(exists("C:\\Program Files\\Yahoo!\\Messenger\\YPager.log"));
    EXPECT_FALSE(exists("C:\\Program Files\\Yahoo!\\Messenger\\Profiles"));
    EXPECT_FALSE(value_exists(HKEY_CURRENT_USER, "Software\\Yahoo\\pager", "Yahoo! User ID"));

    stage.will_press(text("msg837"));  // bookmarks and received files ask first
    command("IDC_FS_MSN", "1,1");
    EXPECT_FALSE(key_exists("Software\\Microsoft\\MSNMessenger\\PerPassportSettings"));
    EXPECT_TRUE(logged("party.jpg"));

    command("IDC_FS_OP", "1,1,1");
    EXPECT_FALSE(exists(app_data() + "\\Opera\\Opera\\profile\\global.dat"));
    EXPECT_FALSE(exists(app_data() + "\\Opera\\Opera\\profile\\cache4\\opr00002.gif"));
    EXPECT_TRUE(exists(netscape_profile() + "\\Cookies.txt"));
}

TEST_F(ApplicationRunsTest, OnlyTheTickedPositionsRunAndMissingOnesCountAsUnticked) {
    app::demo::plant_application_traces();
    program.start();
    command("IDC_FS_NS", "0,0,0,0,1");
    EXPECT_FALSE(exists(netscape_profile() + "\\Cookies.txt"));
    EXPECT_TRUE(exists(netscape_profile() + "\\history.dat"));
    EXPECT_TRUE(exists(netscape_profile() + "\\mail\\Local Folders\\Trash"));
    EXPECT_TRUE(exists(netscape_profile() + "\\cache\\A1B2C3D4"));
    EXPECT_TRUE(exists(netscape_profile() + "\\formhistory.dat"));

    command("IDC_FS_AOL", "1,0");
    EXPECT_FALSE(exists("C:\\America Online 6.0\\AOLTEMP\\art0001.art"));
    EXPECT_TRUE(exists("C:\\America Online 6.0\\download\\photos.zip"));

    command("IDC_FS_NS", "1");  // a list shorter than the screen's: the rest is not ticked
    EXPECT_FALSE(exists(netscape_profile() + "\\mail\\Local Folders\\Trash"));
    EXPECT_TRUE(exists(netscape_profile() + "\\mail\\Local Folders\\Inbox"));
    EXPECT_TRUE(exists(netscape_profile() + "\\history.dat"));
}

TEST_F(ApplicationRunsTest, OfficeRunsEachTickedListOfBothVersions) {
    app::demo::plant_application_traces();
    program.start();
    const std::string office = "Software\\Microsoft\\Office\\";
    command("IDC_FS_MO", "true,true,true,true,true,true");
    for (const char* app : {"Word", "PowerPoint", "Outlook", "PhotoEditor"})
        EXPECT_FALSE(value_exists(HKEY_CURRENT_USER, office + "11.0\\" + app + "\\Data", "Settings")) << app;
    EXPECT_FALSE(value_exists(HKEY_CURRENT_USER, office + "10.0\\Word\\Data", "Settings"));
    EXPECT_FALSE(value_exists(HKEY_CURRENT_USER, office + "10.0\\Access\\Settings", "MRU1"));
    EXPECT_FALSE(key_exists(office + "11.0\\Excel\\recent files"));
    EXPECT_FALSE(key_exists(office + "10.0\\Excel\\recent files"));
    EXPECT_FALSE(key_exists(office + "11.0\\PowerPoint\\Recent File List"));
    EXPECT_TRUE(logged("MRUFlags1"));
    EXPECT_TRUE(log_window_lines().back().starts_with(text("msg4") + ": ")) << log_window_lines().back();
}

TEST_F(ApplicationRunsTest, AnInstalledApplicationLeavesItsVariableAsThePageHadIt) {
    engine::cRegistry reg;
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey("Software\\Yahoo");
    reg.CreateKey();
    stage.set_variable(app::kMainMovie, "_root.YAHOO_Enabled", "1");
    program.start();
    EXPECT_EQ(main_var("_root.YAHOO_Enabled"), "1");
    EXPECT_EQ(stage.values_of(app::kMainMovie, "_root.YAHOO_Enabled").size(), 1u);  // only the page's own
    EXPECT_EQ(main_var("_root.MSN_Enabled"), "0");
}

}  // namespace
