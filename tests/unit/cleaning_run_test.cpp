// The Internet Explorer run and the hide/show buttons, driven as the page drives them, on a real
// temporary machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/demo/ie_traces.h"
#include "app/texts/fill_in.h"
#include "engine/cleaners/ie.h"
#include "engine/foundation/cregistry.h"
#include "platform/inet/user_folders.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using engine::HKEY_CURRENT_USER;
namespace stdfs = std::filesystem;

constexpr const char* kInternetExplorer = "Software\\Microsoft\\Internet Explorer";
constexpr const char* kTypedUrls = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr const char* kAutoComplete = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete";

std::string read_value(const std::string& key, const std::string& name) {
    engine::cRegistry reg;
    return reg.ValueEx(HKEY_CURRENT_USER, key, name, engine::REG_NONE, engine::Variant()).to_text();
}

void write_value(const std::string& key, const std::string& name, const std::string& value) {
    engine::cRegistry reg;
    reg.ValueEx(HKEY_CURRENT_USER, key, name, engine::REG_SZ, engine::Variant(), value);
}

class CleaningRunTest : public tavrin_test::ProgramTest {
protected:
    void SetUp() override {
        program.start();
        downloads = "C:\\Documents and Settings\\" + machine().user_name() + "\\My Downloads";
        write_value(kInternetExplorer, "Download Directory", downloads);
        plant();
    }

    std::string cookies_folder() { return platform::inet::user_shell_folder(machine(), "Cookies"); }
    void plant() {
        write_value(kTypedUrls, "url1", "http://typed.example/");
        write_value(kAutoComplete, "Append Completion", "maybe");
        temp.write_file(downloads + "\\setup.exe", "MZ");
        cached_file = platform::inet::user_url_cache(machine()).add("http://cached.example/a.gif", "GIF").local_file;
        platform::inet::user_url_history(machine()).add("http://visited.example/", "Visited", 0);
        temp.write_file(cookies_folder() + "\\someone@cookie.example[1].txt", "id=1");
        stage.set_variable(app::kMainMovie, "_root.HomePage", "http://home.example/");
    }

    struct Traces {
        bool typed, download, cache, history, cookie;
    };
    Traces traces() {
        return {!read_value(kTypedUrls, "url1").empty(), stdfs::exists(temp.host(downloads + "\\setup.exe")),
                stdfs::exists(temp.host(cached_file)), !platform::inet::user_url_history(machine()).entries().empty(),
                stdfs::exists(temp.host(cookies_folder() + "\\someone@cookie.example[1].txt"))};
    }
    std::vector<std::string> log_window_lines() { return stage.values_of(app::kLogMovie, "_root.LogFile"); }

    std::string downloads;
    std::string cached_file;
};

TEST_F(CleaningRunTest, NothingTickedOnlySwitchesAutoCompleteOnAndSetsTheHomePage) {
    command("IDC_FS_IE", "0,0,0,0,0,0");
    auto left = traces();
    EXPECT_TRUE(left.typed && left.download && left.cache && left.history && left.cookie);
    EXPECT_EQ(read_value(kAutoComplete, "Append Completion"), "yes");
    EXPECT_EQ(read_value("Software\\Microsoft\\Internet Explorer\\Main", "Start Page"), "http://home.example/");
    EXPECT_EQ(log_window_lines(), (std::vector<std::string>{text("msg4") + ": nothing was removed"}));
}

TEST_F(CleaningRunTest, OnlyTrimmedOneOrTrueTicksAndMissingPositionsAreNotTicked) {
    // " 1 " ticks typed URLs; "TRUE" is not ticked (auto-complete switched on); "yes" leaves the
    // downloads; " true" ticks the cache; the list ends before history and cookies.
    command("IDC_FS_IE", " 1 ,TRUE,yes, true");
    auto left = traces();
    EXPECT_FALSE(left.typed);
    EXPECT_EQ(read_value(kAutoComplete, "Append Completion"), "yes");
    EXPECT_TRUE(left.download);
    EXPECT_FALSE(left.cache);
    EXPECT_TRUE(left.history);
    EXPECT_TRUE(left.cookie);
}

TEST_F(CleaningRunTest, EverythingTickedCleansEachItemAndShowsItInTheLogWindow) {
    stage.will_press(text("msg837"));  // the download folder asks first
    command("idc_fs_ie ", "1,1,1,1,1,1");
    auto left = traces();
    EXPECT_FALSE(left.typed || left.download || left.cache || left.history || left.cookie);
    EXPECT_EQ(read_value(kAutoComplete, "Append Completion"), "no");

    auto lines = log_window_lines();
    ASSERT_FALSE(lines.empty());
    auto shown = [&](const std::string& part) {
        return std::any_of(lines.begin(), lines.end(), [&](const auto& line) { return line.find(part) != std::string::npos; });
    };
    EXPECT_TRUE(shown(std::string(kTypedUrls) + "\\url1"));
    EXPECT_TRUE(shown("setup.exe"));
    EXPECT_TRUE(shown("someone@cookie.example[1].txt"));
    // The completion line says what the run removed.
    EXPECT_TRUE(lines.back().starts_with(text("msg4") + ": ")) << lines.back();
    EXPECT_EQ(stage.values_of(app::kLogMovie, "_root.ViewLogBtn").back(), "1");
    // The hourglass is up for the run and the arrow is back at the end.
    ASSERT_FALSE(stage.busy_history().empty());
    EXPECT_TRUE(stage.busy_history().front());
    EXPECT_FALSE(stage.busy_history().back());
}

// The download folder cannot be brought back: a Clean that includes it asks first, naming it;
// Cancel cleans nothing, "don't ask again" is remembered, and a preview never asks.
TEST_F(CleaningRunTest, TheDownloadFolderAsksFirstAndDontAskAgainIsRemembered) {
    command("IDC_FS_PREVIEW", "IDC_FS_IE|0,0,1,0,0,0");
    EXPECT_TRUE(stage.boxes().empty());

    stage.will_press(text("msg19"));
    command("IDC_FS_IE", "1,0,1,0,0,0");
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].title, text("msg836"));
    EXPECT_EQ(stage.boxes()[0].message, app::fill_in(text("msg839"), {text("msg850")}));
    EXPECT_EQ(stage.boxes()[0].middle, text("msg838"));
    EXPECT_TRUE(traces().download && traces().typed) << "Cancel cleans nothing, not even the other items";

    stage.will_press(text("msg838"));
    command("IDC_FS_IE", "0,0,1,0,0,0");
    EXPECT_FALSE(traces().download);
    plant();
    command("IDC_FS_IE", "0,0,1,0,0,0");
    EXPECT_EQ(stage.boxes().size(), 2u) << "not asked again";
    EXPECT_FALSE(traces().download);
}

TEST_F(CleaningRunTest, OneFailingStepDoesNotStopTheOthers) {
    // No download folder: that step fails, the ones after it still run.
    write_value(kInternetExplorer, "Download Directory", "");
    stage.will_press(text("msg837"));
    command("IDC_FS_IE", "0,0,1,1,1,1");
    auto left = traces();
    EXPECT_TRUE(left.download);
    EXPECT_FALSE(left.cache || left.history || left.cookie);
    EXPECT_EQ(read_value("Software\\Microsoft\\Internet Explorer\\Main", "Start Page"), "http://home.example/");
}

TEST_F(CleaningRunTest, HideAndShowButtonsRunTheToolAndAlwaysConfirm) {
    stage.will_press(text("msg18"));
    command("IDC_FS_SHOWTYPEDURLS");  // nothing hidden yet
    EXPECT_EQ(read_value(kTypedUrls, "url1"), "http://typed.example/");

    stage.will_press(text("msg18"));
    command("IDC_FS_HIDETYPEDURLS");
    EXPECT_EQ(read_value(kTypedUrls, "url1"), "");
    stage.will_press(text("msg18"));
    command("IDC_FS_HIDETYPEDURLS");  // a second hide keeps the first backup
    stage.will_press(text("msg18"));
    command("IDC_FS_SHOWTYPEDURLS");
    EXPECT_EQ(read_value(kTypedUrls, "url1"), "http://typed.example/");

    stage.will_press(text("msg18"));
    command("IDC_FS_SHOWFAVORITES");  // no backup: nothing happens, the notice still comes
    ASSERT_EQ(stage.boxes().size(), 5u);
    for (const auto& box : stage.boxes()) EXPECT_EQ(box.message, text("msg4"));
    EXPECT_FALSE(stage.unanswered_script());
}

TEST_F(CleaningRunTest, HomePageFieldStartsAsTheStartPage) {
    tavrin_test::RecordingStage fresh_stage;
    write_value("Software\\Microsoft\\Internet Explorer\\Main", "Start Page", "http://start.example/");
    app::Program fresh(fresh_stage, {platform::kProgramFolder, "tavrinapp", 2, 1, 7});
    fresh.start();
    EXPECT_EQ(fresh_stage.get_variable(app::kMainMovie, "_root.HomePage"), "http://start.example/");
}

TEST_F(CleaningRunTest, DemoTracesGiveEveryTickWorkAndLeaveTheToolsTheirs) {
    app::demo::plant_ie_traces();
    auto favorites = platform::inet::user_shell_folder(machine(), "Favorites");
    ASSERT_FALSE(engine::IE().get_cache_list().empty());
    ASSERT_FALSE(platform::inet::user_url_history(machine()).entries().empty());
    ASSERT_TRUE(stdfs::exists(temp.host(favorites + "\\News of the day.url")));
    auto download = read_value(kInternetExplorer, "Download Directory");
    ASSERT_TRUE(stdfs::exists(temp.host(download + "\\holiday\\beach.jpg")));

    stage.will_press(text("msg837"));
    command("IDC_FS_IE", "1,1,1,1,1,1");
    EXPECT_EQ(engine::IE().get_cache_list(), "");
    EXPECT_TRUE(platform::inet::user_url_history(machine()).entries().empty());
    EXPECT_EQ(read_value(kTypedUrls, "url2"), "");
    EXPECT_FALSE(stdfs::exists(temp.host(download + "\\holiday\\beach.jpg")));
    for (auto& item : stdfs::recursive_directory_iterator(temp.host(cookies_folder())))
        EXPECT_NE(item.path().extension(), ".txt") << item.path();
    EXPECT_TRUE(stdfs::exists(temp.host(favorites + "\\News of the day.url")));
}

}  // namespace
