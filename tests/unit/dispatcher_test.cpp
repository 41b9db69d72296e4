// The command protocol of the main movie: matching, the shared list and option-list rules, the
// logged run, and what happens to commands that are unknown, early or failing.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "app/features/memory/memory_slider.h"
#include "app/kernel/dispatcher.h"
#include "app/settings/option_list.h"
#include "app/settings/profile_store.h"
#include "app/settings/user_settings.h"
#include "app/stage/list_pusher.h"
#include "engine/tools/ram.h"
#include "platform/fs/write_faults.h"
#include "platform/sys/run_cancel.h"
#include "platform/text/bar_list.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using tavrin_test::ProgramTest;
using tavrin_test::RecordingStage;

TEST(DispatcherMatching, CaseAndOuterBlanksAreIgnoredButInnerBlanksCount) {
    app::Dispatcher dispatcher;
    std::vector<std::string> received;
    dispatcher.add("IDC_FS_INTERNET SETTINGS", [&](const std::string& args) { received.push_back(args); });

    EXPECT_TRUE(dispatcher.dispatch("  idc_fs_internet settings  ", " a,b "));
    EXPECT_FALSE(dispatcher.dispatch("IDC_FS_INTERNET  SETTINGS", "x"));
    EXPECT_FALSE(dispatcher.dispatch("IDC_FS_INTERNETSETTINGS", "x"));
    EXPECT_FALSE(dispatcher.dispatch("", "x"));
    // The arguments reach the row exactly as sent; each row parses its own.
    EXPECT_EQ(received, std::vector<std::string>{" a,b "});
}

TEST(DispatcherMatching, TwoFeaturesClaimingOneCommandIsRefused) {
    app::Dispatcher dispatcher;
    dispatcher.add("IDC_FS_IE", [](const std::string&) {});
    EXPECT_THROW(dispatcher.add("idc_fs_ie ", [](const std::string&) {}), std::logic_error);
}

TEST(OptionLists, OnlyTrimmedOneOrTrueInExactCaseIsTicked) {
    app::OptionList list("1, true ,TRUE,yes,0,false,,True");
    std::vector<bool> ticked;
    for (size_t i = 0; i < 9; ++i) ticked.push_back(list.ticked(i));
    // Position 8 lies beyond a list shorter than the screen's table: not ticked.
    EXPECT_EQ(ticked, (std::vector<bool>{true, true, false, false, false, false, false, false, false}));
}

TEST(OptionLists, SwitchesCanBeOnOffOrLeftAlone) {
    app::OptionList list("1,0,x,true,false,0");
    EXPECT_EQ(list.setting(0), true);
    EXPECT_EQ(list.setting(1), false);
    EXPECT_EQ(list.setting(2), std::nullopt);
    EXPECT_EQ(list.setting(3), true);
    EXPECT_EQ(list.setting(4), false);
    EXPECT_EQ(list.setting(6), std::nullopt);
}

TEST(ListPusher, CountNamesValuesAndTriggerLast) {
    RecordingStage stage;
    app::push_list(stage, app::kMainMovie,
                   {.stem = "Items", .items = {"one", "two"}, .trigger = "_root.ReLoadThePluginList",
                    .trigger_value = "1", .value_stem = "Items", .item_values = {"1", "0"}});
    std::vector<std::string> order;
    for (const auto& set : stage.sets()) order.push_back(set.name + "=" + set.value);
    EXPECT_EQ(order, (std::vector<std::string>{"_root.NumberOfItems=2", "_root.NamesOfItems=one|two",
                                               "_root.valueOfItems0=1", "_root.valueOfItems1=0",
                                               "_root.ReLoadThePluginList=1"}));

    app::push_list(stage, app::kMainMovie, {.stem = "RegItems", .items = {}});
    EXPECT_EQ(stage.get_variable(app::kMainMovie, "_root.NumberOfRegItems"), "0");
    EXPECT_EQ(stage.get_variable(app::kMainMovie, "_root.NamesOfRegItems"), "");
    EXPECT_EQ(stage.get_variable(app::kMainMovie, "_root.ShowRegItems"), "true");
}

class DispatcherTest : public ProgramTest {
protected:
    void SetUp() override { program.start(); }  // no profile stored: straight to the main window
};

TEST_F(DispatcherTest, LoggedRunShowsTheWindowRunsTheDriverThenTheCompletionText) {
    std::vector<std::string> seen;
    app::logged_run(shell(), [&] {
        seen.push_back(stage.window_visible(app::kLogMovie) ? "visible" : "hidden");
        shell().log_window().addLogLine("C:\\x.txt");
    });
    EXPECT_EQ(seen, std::vector<std::string>{"visible"});
    EXPECT_EQ(stage.values_of(app::kLogMovie, "_root.LogFile"),
              (std::vector<std::string>{"C:\\x.txt", text("msg4") + ": " + "nothing was removed"}));
    // Disabled when the window loads, enabled when the run is over.
    EXPECT_EQ(stage.values_of(app::kLogMovie, "_root.ViewLogBtn"), (std::vector<std::string>{"0", "1"}));
}

// The user's Cancel ends the driver where it is; what it removed until then stays and is told.
TEST_F(DispatcherTest, ACancelledLoggedRunSaysWhatItRemovedAndThatItStopped) {
    temp.write_file("C:\\box\\one.txt", "12345");
    temp.write_file("C:\\box\\two.txt", "x");
    const platform::CancellableRun run;
    app::logged_run(shell(), [&] {
        machine().files().delete_file("C:\\box\\one.txt");
        platform::request_run_cancel();
        platform::CancellableRun::check();
        machine().files().delete_file("C:\\box\\two.txt");
    });
    EXPECT_EQ(stage.values_of(app::kLogMovie, "_root.LogFile"),
              std::vector<std::string>{"Cancelled: removed 1 file, 5 B; the rest was left as it was."});
    EXPECT_TRUE(machine().files().exists("C:\\box\\two.txt"));
}

TEST_F(DispatcherTest, UnknownCommandsChangeNothingButStillReachTheFlushPoint) {
    int flushes = 0;
    shell().set_after_command([&] { ++flushes; });
    auto before = stage.sets().size();
    command("IDC_FS_NO_SUCH_COMMAND", "1,1,1");
    command("", "");
    EXPECT_EQ(stage.sets().size(), before);
    EXPECT_EQ(flushes, 2);
}

TEST_F(DispatcherTest, AFailingRowIsReportedAndTheProgramGoesOn) {
    int flushes = 0;
    shell().set_after_command([&] { ++flushes; });
    shell().commands().add("IDC_FS_TEST_FAILURE", [](const std::string&) { throw std::runtime_error("disk gone"); });
    command("IDC_FS_TEST_FAILURE");
    EXPECT_EQ(stage.get_variable(app::kLogMovie, "_root.LogFile"), "IDC_FS_TEST_FAILURE: disk gone");
    EXPECT_EQ(flushes, 1);
    EXPECT_FALSE(stage.quit_called());
}

// A full disk at the save after a command: the user is told why, the program goes on, and the
// save after the next command writes what was kept.
TEST_F(DispatcherTest, ASaveThatFailsIsReportedKeptAndDoneByTheNextCommand) {
    namespace faults = platform::write_faults;
    shell().set_after_command([this] { machine().flush(); });
    machine().flush();
    auto hives = [this] {
        std::string text;
        for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
            std::ifstream in(temp.dir() / name, std::ios::binary);
            text += std::string(std::istreambuf_iterator<char>(in), {});
        }
        return text;
    };
    const std::string saved = hives();

    faults::fail(faults::Step::write, 1, ENOSPC);
    command("ID_FS_MINSTEPPER", "42");
    faults::clear();
    EXPECT_FALSE(stage.quit_called());
    EXPECT_TRUE(stage.window_visible(app::kLogMovie));
    const std::string line = stage.get_variable(app::kLogMovie, "_root.LogFile");
    EXPECT_EQ(line.rfind(text("msg110") + " ", 0), 0u) << line;
    EXPECT_NE(line.find(std::strerror(ENOSPC)), std::string::npos) << line;
    EXPECT_EQ(hives(), saved);

    command("IDC_FS_NO_SUCH_COMMAND");
    temp.reopen();
    EXPECT_EQ(app::user_settings::read("Ping", "val", "0"), "42");
}

TEST_F(DispatcherTest, LanguageCommandSwitchesTheMessageFileAndIsStored) {
    shell().log_window().show();
    command(" idc_fs_language ", "Deutsch");
    EXPECT_EQ(main_var("_root.strCurrentLanguage"), "Deutsch");
    EXPECT_EQ(stage.get_variable(app::kLogMovie, "_root.strCurrentLanguage"), "Deutsch") << "the log window too";
    EXPECT_EQ(stage.get_variable(app::kProfilesMovie, "_root.strCurrentLanguage"), "Deutsch");
    EXPECT_EQ(shell().language().file_name(), "msgsg.ini");
    EXPECT_EQ(app::user_settings::language(), "Deutsch");
    EXPECT_EQ(text("msg20"), "Ja");

    command("IDC_FS_LANGUAGE", "English");
    EXPECT_EQ(shell().language().file_name(), "msgs.ini");
    EXPECT_EQ(text("msg20"), "Yes");
}

TEST_F(DispatcherTest, PingStepperIsKeptPerUser) {
    command("ID_FS_MINSTEPPER", "42");
    EXPECT_EQ(app::user_settings::read("Ping", "val", "0"), "42");
}

TEST_F(DispatcherTest, MinimiseHidesTheMainWindowAndTheTrayBringsItBack) {
    command("IDC_FS_MINIMIZE");
    EXPECT_FALSE(stage.window_visible(app::kMainMovie));
    EXPECT_EQ(stage.get_variable(app::kTrayMovie, "smenu"), text("msg13"));
    EXPECT_EQ(stage.get_variable(app::kTrayMovie, "emenu"), text("msg14"));
    stage.send(app::kTrayMovie, "smenu");
    EXPECT_TRUE(stage.window_visible(app::kMainMovie));
}

// The help is a page of the installed skin, opened in the language of the screens.
TEST_F(DispatcherTest, HelpOpensTheSkinsHelpPageInTheScreensLanguage) {
    command("IDC_FS_LANGUAGE", "English");
    command("IDC_FS_HELP");
    command("IDC_FS_LANGUAGE", "Deutsch");
    command("IDC_FS_HELP");
    EXPECT_EQ(stage.opened_urls(),
              (std::vector<std::string>{"/skin/help/help.html?lang=en", "/skin/help/help.html?lang=de"}));
    EXPECT_TRUE(stage.opened_files().empty());
    const auto installed = temp.host(std::string(platform::kProgramFolder) + "\\skin\\help\\help.html");
    ASSERT_TRUE(std::filesystem::is_regular_file(installed));
    std::ifstream page(installed);
    const std::string text{std::istreambuf_iterator<char>(page), {}};
    EXPECT_NE(text.find("<article class=\"help\" lang=\"en\">"), std::string::npos);
    EXPECT_NE(text.find("<article class=\"help\" lang=\"de\">"), std::string::npos);
}

TEST(MemorySlider, ThePercentageOfPhysicalMemoryIsRoundedAndCappedToWhatTheEngineTakes) {
    EXPECT_EQ(app::share_of_memory(536870912.0, "50"), 268435456);
    EXPECT_EQ(app::share_of_memory(1000.0, "33.35"), 334);
    EXPECT_EQ(app::share_of_memory(16.0 * 1024 * 1024 * 1024, "100"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(app::share_of_memory(536870912.0, "0"), 0);
    EXPECT_EQ(app::share_of_memory(536870912.0, "-20"), 0);
    EXPECT_EQ(app::share_of_memory(536870912.0, "lots"), 0);
    EXPECT_EQ(app::share_of_memory(536870912.0, ""), 0);
}

TEST_F(DispatcherTest, TheMemoryGaugeShowsTheLoadOnEveryTick) {
    ASSERT_EQ(stage.timer_count(), 2u);  // the memory gauge and the schedule check
    stage.tick_timers();
    stage.tick_timers();
    auto values = stage.values_of(app::kMainMovie, "_root.RamValue");
    ASSERT_EQ(values.size(), 2u);
    int load = std::stoi(values[0]);
    EXPECT_GE(load, 0);
    EXPECT_LE(load, 100);
}

// The slider's result reaches the screen: bytes taken, free memory before and after.
TEST_F(DispatcherTest, FreeingMemoryShowsWhatWasTakenAndTheFreeMemoryAround) {
    auto result = [&] {
        auto parts = platform::text::bar_items(main_var("_root.FreedMemory"));
        std::vector<int64_t> numbers;
        for (const auto& part : parts) numbers.push_back(std::stoll(part));
        return numbers;
    };
    const int64_t total = engine::RAM().GetTotalPhysical().to_integer();
    command("IDC_FS_SCROLL", "1");
    auto freed = result();
    ASSERT_EQ(freed.size(), 3u);
    EXPECT_GT(freed[0], 0);
    EXPECT_LE(freed[0], total / 100 + 1);
    EXPECT_GT(freed[1], 0);
    EXPECT_GT(freed[2], 0);
    EXPECT_LE(freed[1], total);

    // Text that is no number asks for nothing, and the screen hears that too.
    command("IDC_FS_SCROLL", "not a number");
    freed = result();
    ASSERT_EQ(freed.size(), 3u);
    EXPECT_EQ(freed[0], 0);
}

TEST(DispatcherBeforeStart, CommandsOfTheUnopenedMainWindowAreIgnored) {
    tavrin_test::TempMachine temp;
    RecordingStage stage;
    app::Program program(stage, {platform::kProgramFolder, "tavrinapp", 1, 0, 0});
    // A stored profile keeps the chooser up, and the main window closed.
    app::profile_store::write("Work", "CheckBoxes", "_root.IE_TU", "1");
    program.start();
    stage.send(app::kMainMovie, "IDC_FS_LANGUAGE", "Deutsch");
    EXPECT_EQ(stage.get_variable(app::kMainMovie, "_root.strCurrentLanguage"), "");
    EXPECT_TRUE(stage.window_visible(app::kProfilesMovie));
}

}  // namespace
