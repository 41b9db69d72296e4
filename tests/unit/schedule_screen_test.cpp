// The schedule in the program: the armed state at start-up, the screen's values, saving them,
// the check that runs the profile when the schedule falls due, the close question, and the
// command line of the headless run; on a real temporary machine, the clock set by the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/options.h"
#include "app/cli/scheduled_run.h"
#include "app/cli/test_clock.h"
#include "app/demo/ie_traces.h"
#include "app/settings/profile_store.h"
#include "engine/foundation/clock.h"
#include "engine/scheduler/schedule.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using engine::HKEY_CURRENT_USER;
using engine::LocalTime;

constexpr const char* kTypedUrls = "Software\\Microsoft\\Internet Explorer\\TypedURLs";

std::string stored(const std::string& name) {
    engine::cRegistry reg;
    return reg.ValueEx(HKEY_CURRENT_USER, "Software\\lumarq2\\schedule", name, engine::REG_SZ, engine::Variant(""))
        .to_text();
}

void store_schedule(const std::string& type, const std::string& hour, const std::string& minutes,
                    const std::string& ampm) {
    engine::Schedule schedule;
    schedule.Schedule_Type(type);
    schedule.Hour(hour);
    schedule.Minutes(minutes);
    schedule.AMPM(ampm);
    schedule.SaveSchedule();
}

class ScheduleScreenTest : public tavrin_test::ProgramTest {
protected:
    void SetUp() override {
        engine::set_clock([this] { return clock; });
    }
    void TearDown() override { engine::set_clock({}); }

    // Everything the log window was shown, in order.
    std::vector<std::string> log_lines() { return stage.values_of(app::kLogMovie, "_root.LogFile"); }
    // The completion lines: "All done", followed by what the run removed when it removed anything.
    long runs() {
        auto lines = log_lines();
        return std::count_if(lines.begin(), lines.end(), [this](const std::string& line) {
            return line == text("msg4") || line.starts_with(text("msg4") + ": ");
        });
    }
    // Whether the close button asks about an armed schedule; "No" keeps the program open.
    bool armed_question_on_close(tavrin_test::RecordingStage& on) {
        on.will_press(text("msg21"));
        const size_t before = on.boxes().size();
        on.send(app::kMainMovie, "IDC_FS_CLOSE", "");
        return on.boxes().size() > before && on.boxes()[before].title == text("msg38");
    }
    bool armed_question_on_close() { return armed_question_on_close(stage); }

    LocalTime clock{2026, 8, 31, 7, 4, 30};  // a Monday
};

TEST_F(ScheduleScreenTest, AStoredScheduleOfAnyOfTheFourTypesArmsTheCheckAtStartUp) {
    store_schedule("dAILY", "07", "05", "AM");
    program.start();
    EXPECT_TRUE(armed_question_on_close());
}

TEST_F(ScheduleScreenTest, NoneOrAnUnknownTypeLeavesTheCheckDisarmed) {
    for (const char* type : {"None", "Hourly"}) {
        store_schedule(type, "07", "05", "AM");
        tavrin_test::RecordingStage fresh_stage;
        app::Program fresh(fresh_stage, {platform::kProgramFolder, "tavrinapp", 2, 1, 7});
        fresh.start();
        EXPECT_FALSE(armed_question_on_close(fresh_stage)) << type;
    }
}

TEST_F(ScheduleScreenTest, TheScreenShowsTheStoredValuesAndOnlyAnExactAmOrPm) {
    engine::Schedule schedule;
    schedule.Schedule_Type("Weekly");
    schedule.Day("Friday");
    schedule.Schedule_Date("12");
    schedule.Hour("3");
    schedule.Minutes("45");
    schedule.AMPM("pm");
    schedule.Interval("4");
    schedule.SaveSchedule();
    program.start();
    EXPECT_EQ(main_var("_root.TypeOfSchedule"), "Weekly");
    EXPECT_EQ(main_var("_root.CurrentDayName"), "Friday");
    EXPECT_EQ(main_var("_root.CurrentDayNumber"), "12");
    EXPECT_EQ(main_var("_root.CurrentHour"), "03");
    EXPECT_EQ(main_var("_root.CurrentMinute"), "45");
    EXPECT_EQ(main_var("_root.CurrentCustom"), "4");
    EXPECT_TRUE(stage.values_of(app::kMainMovie, "_root.CurrentAm").empty());
    EXPECT_TRUE(stage.values_of(app::kMainMovie, "_root.CurrentPm").empty());
}

TEST_F(ScheduleScreenTest, SavingStoresTheScheduleArmsItAndSavesTheProfilesTicks) {
    program.start();
    shell().set_current_profile("work");
    stage.set_variable(app::kMainMovie, "_root.IE_TU", "1");
    stage.will_press(text("msg18"));
    command("IDC_FS_SAVESCHEDULEOPTIONS", "Daily,Monday,31,7,5,false,true,1");
    EXPECT_EQ(stored("Type"), "Daily");
    EXPECT_EQ(stored("Hour"), "07");
    EXPECT_EQ(stored("Minutes"), "05");
    EXPECT_EQ(stored("AMPM"), "PM");
    EXPECT_EQ(stored("Day"), "Monday");
    EXPECT_EQ(stored("Date"), "31");
    EXPECT_EQ(stored("Interval"), "1");
    EXPECT_EQ(app::profile_store::read("work", "CheckBoxes", "_root.IE_TU"), "1");
    ASSERT_FALSE(stage.boxes().empty());
    EXPECT_EQ(stage.boxes().back().title, text("msg4"));
    EXPECT_TRUE(armed_question_on_close());

    stage.will_press(text("msg18"));
    command("IDC_FS_SAVESCHEDULEOPTIONS", "NONE,,,,,false,false,");
    EXPECT_EQ(stored("Type"), "NONE");
    EXPECT_FALSE(armed_question_on_close());
}

TEST_F(ScheduleScreenTest, ACustomScheduleTakesTheTimeOfTheClockOnTheTwelveHourClock) {
    program.start();
    clock = {2026, 8, 31, 15, 7, 0};
    stage.will_press(text("msg18"));
    command("IDC_FS_SAVESCHEDULEOPTIONS", "CUSTOM,Monday,1,11,59,true,false,2");
    EXPECT_EQ(stored("Type"), "Custom");
    EXPECT_EQ(stored("Hour"), "03");
    EXPECT_EQ(stored("Minutes"), "07");
    EXPECT_EQ(stored("AMPM"), "PM") << "the hour belongs to the afternoon, whatever the screen's flags said";
    EXPECT_EQ(stored("Interval"), "2");

    clock = {2026, 8, 31, 12, 30, 0};
    stage.will_press(text("msg18"));
    command("IDC_FS_SAVESCHEDULEOPTIONS", "custom,,,,,false,false,3");
    EXPECT_EQ(stored("Hour"), "12");
    EXPECT_EQ(stored("AMPM"), "PM");
}

class ScheduleCheckTest : public ScheduleScreenTest {
protected:
    void SetUp() override {
        ScheduleScreenTest::SetUp();
        app::demo::plant_ie_traces();
        store_schedule("Daily", "07", "05", "AM");
        program.start();
        shell().set_after_command([this] { ++saves; });
        shell().set_current_profile("work");
        app::profile_store::write("work", "CheckBoxes", "_root.IE_TU", "1");
    }
    void at(int day, int hour, int minute, int second = 0) {
        clock = {2026, 8, day, hour, minute, second};
        stage.tick_timers();
    }
    int saves = 0;
};

TEST_F(ScheduleCheckTest, TheDueMinuteRunsTheProfileOnceWithItsLinesInTheLogWindow) {
    at(31, 7, 4, 59);
    EXPECT_EQ(runs(), 0);
    EXPECT_FALSE(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedUrls).empty());

    at(31, 7, 5, 0);
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedUrls).empty());
    EXPECT_TRUE(stage.window_visible(app::kLogMovie));
    auto lines = log_lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const auto& line) { return line.find("TypedURLs\\url1") != std::string::npos; }));
    EXPECT_TRUE(lines.back().starts_with(text("msg4") + ": ")) << lines.back();
    EXPECT_EQ(stage.get_variable(app::kLogMovie, "_root.ViewLogBtn"), "1");
    EXPECT_EQ(saves, 1) << "the run's changes are saved as a command's are";
    EXPECT_FALSE(armed_question_on_close());

    // Every further tick of that minute runs nothing.
    for (int second = 1; second < 60; second += 10) at(31, 7, 5, second);
    EXPECT_EQ(runs(), 1);
}

TEST_F(ScheduleCheckTest, AfterTheDueMinuteTheCheckArmsItselfAndRunsAgainTheNextDay) {
    at(31, 7, 5);
    app::demo::plant_ie_traces();
    at(31, 7, 6);
    EXPECT_TRUE(armed_question_on_close());
    EXPECT_EQ(runs(), 1);
    EXPECT_FALSE(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedUrls).empty());

    clock = {2026, 9, 1, 7, 5, 0};
    stage.tick_timers();
    EXPECT_EQ(runs(), 2);
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedUrls).empty());
}

TEST_F(ScheduleCheckTest, NoSchedulesRunsWhileDisarmedAndAStoredNoneIsNotArmedAgain) {
    stage.will_press(text("msg18"));
    command("IDC_FS_SAVESCHEDULEOPTIONS", "NONE,,,07,05,true,false,");
    at(31, 7, 5);
    at(31, 7, 6);
    EXPECT_EQ(runs(), 0);
    EXPECT_FALSE(armed_question_on_close());
}

TEST_F(ScheduleCheckTest, WithoutACurrentProfileTheLogWindowSaysNothingWasCleaned) {
    shell().set_current_profile("");
    at(31, 7, 5);
    auto lines = log_lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with(text("msg300"))) << lines[0];
    EXPECT_FALSE(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedUrls).empty());
}

using HeadlessRunTest = tavrin_test::MachineTest;

TEST_F(HeadlessRunTest, TheRunOfAProfilePrintsItsLinesAndAnUnknownProfileNamesTheKnownOnes) {
    app::demo::plant_ie_traces();
    app::profile_store::write("Work", "CheckBoxes", "_root.IE_TU", "true");
    std::ostringstream out, err;
    EXPECT_EQ(app::cli::run_schedule_once("home", out, err), app::cli::exit_status::kNoSuchProfile);
    EXPECT_NE(err.str().find("\"home\""), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("Work"), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedUrls).empty());

    EXPECT_EQ(app::cli::run_schedule_once("work", out, err), 0) << "key names compare in any case";
    EXPECT_NE(out.str().find("TypedURLs\\url3  ("), std::string::npos) << "the full path with its size: " << out.str();
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, kTypedUrls).empty());
}

TEST(ScheduleCommandLineTest, RunScheduleNeedsAProfileAndTheProfileOptionNeedsIt) {
    auto options = app::cli::parse_options({"--run-schedule", "--profile", "a b", "--machine", "/tmp/m"});
    EXPECT_EQ(options.action, app::cli::Action::RunSchedule);
    EXPECT_EQ(options.profile, "a b");
    EXPECT_EQ(app::cli::parse_options({"--profile=x", "--run-schedule"}).profile, "x");
    EXPECT_THROW(app::cli::parse_options({"--run-schedule"}), std::invalid_argument);
    EXPECT_THROW(app::cli::parse_options({"--run-schedule", "--profile", ""}), std::invalid_argument);
    EXPECT_THROW(app::cli::parse_options({"--profile", "x"}), std::invalid_argument);
    EXPECT_THROW(app::cli::parse_options({"--run-schedule", "--info", "--profile", "x"}), std::invalid_argument);
}

TEST(ScheduleCommandLineTest, TheTestClockTakesAWholeValidLocalTimeOnly) {
    auto start = app::cli::parse_clock_start("2026-08-31T07:04:50");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->day, 31);
    EXPECT_EQ(start->hour, 7);
    EXPECT_EQ(start->second, 50);
    EXPECT_EQ(app::cli::parse_clock_start("2026-08-31 07:04")->minute, 4);
    for (const char* bad : {"2026-04-31T07:04", "2026-08-31T24:00", "2026-08-31T07:60", "2026-8-31T07:04",
                            "2026-08-31T07:04:5", "tomorrow", ""})
        EXPECT_FALSE(app::cli::parse_clock_start(bad)) << bad;
}

}  // namespace
