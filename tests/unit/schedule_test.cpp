// The schedule: its store, when it falls due, and the unattended run of a profile's ticks, on a
// real temporary machine with the demo traces.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/demo/application_traces.h"
#include "app/demo/ie_traces.h"
#include "app/demo/windows_traces.h"
#include "app/settings/profile_store.h"
#include "engine/foundation/clock.h"
#include "engine/scheduler/due_time.h"
#include "engine/scheduler/schedule.h"
#include "platform/text/ascii_case.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/trace_machine.h"

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;
using engine::LocalTime;
using engine::Schedule;
using platform::text::iequals;

constexpr const char* kScheduleKey = "Software\\lumarq2\\schedule";

std::string stored(const std::string& name) {
    engine::cRegistry reg;
    return reg.ValueEx(HKEY_CURRENT_USER, kScheduleKey, name, engine::REG_SZ, engine::Variant("<missing>")).to_text();
}

Schedule schedule_of(const std::string& type, const std::string& hour, const std::string& minutes,
                     const std::string& ampm = "") {
    Schedule schedule;
    schedule.Schedule_Type(type);
    schedule.Hour(hour);
    schedule.Minutes(minutes);
    schedule.AMPM(ampm);
    return schedule;
}

// 2026-08-31 is a Monday; August has 31 days, September 30.
constexpr LocalTime at(int hour, int minute, int day = 31, int month = 8) { return {2026, month, day, hour, minute, 0}; }

using ScheduleStoreTest = tavrin_test::MachineTest;

TEST_F(ScheduleStoreTest, SaveTrimsAndPadsAndLoadReadsTheSevenValuesBack) {
    Schedule schedule;
    schedule.Schedule_Type(" Daily ");
    schedule.Day("Monday ");
    schedule.Schedule_Date(" 31");
    schedule.Hour(" 3 ");
    schedule.Minutes("7");
    schedule.AMPM("PM");
    schedule.Interval(" 2 ");
    schedule.Profile("work");
    schedule.SaveSchedule();
    EXPECT_EQ(schedule.Hour(), "03");
    EXPECT_EQ(schedule.Minutes(), "07");
    const std::map<std::string, std::string> expected = {{"Type", "Daily"},  {"Day", "Monday"},  {"Date", "31"},
                                                         {"Hour", "03"},     {"Minutes", "07"},  {"AMPM", "PM"},
                                                         {"Interval", "2"}};
    for (const auto& [name, value] : expected) EXPECT_EQ(stored(name), value) << name;
    EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, kScheduleKey).size(), 7u) << "the profile is never stored";

    machine().flush();
    temp.reopen();
    Schedule loaded;
    loaded.Profile("kept");
    loaded.LoadSchedule();
    EXPECT_EQ(loaded.Schedule_Type(), "Daily");
    EXPECT_EQ(loaded.Day(), "Monday");
    EXPECT_EQ(loaded.Schedule_Date(), "31");
    EXPECT_EQ(loaded.Hour(), "03");
    EXPECT_EQ(loaded.Minutes(), "07");
    EXPECT_EQ(loaded.AMPM(), "PM");
    EXPECT_EQ(loaded.Interval(), "2");
    EXPECT_EQ(loaded.Profile(), "kept");
}

TEST_F(ScheduleStoreTest, TwoDigitAndEmptyValuesAreNotPaddedAndANeverSavedScheduleReadsEmpty) {
    Schedule never_saved;
    never_saved.LoadSchedule();
    EXPECT_EQ(never_saved.Schedule_Type(), "");
    EXPECT_EQ(never_saved.Hour(), "");

    Schedule schedule;
    schedule.Hour(" 11 ");
    schedule.Minutes("");
    schedule.SaveSchedule();
    EXPECT_EQ(stored("Hour"), "11");
    EXPECT_EQ(stored("Minutes"), "");
    EXPECT_EQ(schedule.Hour(), " 11 ") << "only a one-character value is rewritten";
}

TEST(ScheduleDueTest, DailyComparesTheTwoDigitTimeOnTheTwentyFourHourClock) {
    EXPECT_TRUE(engine::is_due(schedule_of("DAILY", "07", "05", "AM"), at(7, 5)));
    EXPECT_TRUE(engine::is_due(schedule_of("daily", "07", "05"), at(7, 5))) << "any letter case, no AMPM";
    EXPECT_FALSE(engine::is_due(schedule_of("DAILY", "07", "05", "AM"), at(7, 6)));
    EXPECT_FALSE(engine::is_due(schedule_of("DAILY", "07", "05", "PM"), at(7, 5)));
    EXPECT_TRUE(engine::is_due(schedule_of("DAILY", "07", "05", "PM"), at(19, 5)));
    // Stored by hand without their leading zero: shown on the screen, never due.
    EXPECT_FALSE(engine::is_due(schedule_of("DAILY", "7", "5", "AM"), at(7, 5)));
    EXPECT_FALSE(engine::is_due(schedule_of("DAILY", "07", "5", "AM"), at(7, 5)));
}

TEST(ScheduleDueTest, TheTwelveHourClockIsConvertedAndAnHourWithoutAmPmIsTakenAsIs) {
    EXPECT_EQ(engine::hour_of_day("12", "AM"), 0);
    EXPECT_EQ(engine::hour_of_day("12", "PM"), 12);
    EXPECT_EQ(engine::hour_of_day("03", "PM"), 15);
    EXPECT_EQ(engine::hour_of_day("03", "pm"), 15);
    EXPECT_EQ(engine::hour_of_day("11", "AM"), 11);
    EXPECT_EQ(engine::hour_of_day("15", ""), 15);
    EXPECT_EQ(engine::hour_of_day("15", "PM"), std::nullopt) << "no such hour on the 12-hour clock";
    EXPECT_EQ(engine::hour_of_day("24", ""), std::nullopt);
    EXPECT_EQ(engine::hour_of_day("x1", "AM"), std::nullopt);
    EXPECT_TRUE(engine::is_due(schedule_of("DAILY", "12", "00", "AM"), at(0, 0)));
    EXPECT_TRUE(engine::is_due(schedule_of("DAILY", "12", "30", "PM"), at(12, 30)));
    EXPECT_FALSE(engine::is_due(schedule_of("DAILY", "03", "00", "PM"), at(3, 0))) << "3 PM is not 03:00";
}

TEST(ScheduleDueTest, WeeklyNeedsTheDayNameInAnyCaseAndMonthlyTheDayOfTheMonth) {
    auto weekly = schedule_of("Weekly", "07", "05", "AM");
    weekly.Day("monday");
    EXPECT_TRUE(engine::is_due(weekly, at(7, 5, 31)));                   // a Monday
    EXPECT_FALSE(engine::is_due(weekly, at(7, 5, 1, 9)));                // a Tuesday
    EXPECT_TRUE(engine::is_due(weekly, at(7, 5, 7, 9)));                 // the next Monday
    weekly.Day("MONDAYS");
    EXPECT_FALSE(engine::is_due(weekly, at(7, 5, 31)));

    auto monthly = schedule_of("MONTHLY", "07", "05", "AM");
    monthly.Schedule_Date("31");
    EXPECT_TRUE(engine::is_due(monthly, at(7, 5, 31, 8)));
    EXPECT_FALSE(engine::is_due(monthly, at(7, 5, 30, 9))) << "the last day of a 30-day month is not the 31st";
    EXPECT_FALSE(engine::is_due(monthly, at(7, 5, 1, 10)));
    monthly.Schedule_Date("05");
    EXPECT_TRUE(engine::is_due(monthly, at(7, 5, 5, 9))) << "compared as numbers";
    monthly.Schedule_Date("fifth");
    EXPECT_FALSE(engine::is_due(monthly, at(7, 5, 5, 9)));
}

TEST(ScheduleDueTest, CustomRunsEveryIntervalHoursAtTheMinuteButNotInTheHourItWasSaved) {
    auto custom = schedule_of("Custom", "3", "7");
    custom.Interval("2");
    std::vector<int> due_hours;
    for (int hour = 0; hour < 24; ++hour) {
        if (engine::is_due(custom, at(hour, 7))) due_hours.push_back(hour);
    }
    EXPECT_EQ(due_hours, (std::vector<int>{1, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23}));
    EXPECT_FALSE(engine::is_due(custom, at(5, 8)));
    custom.AMPM("PM");  // saved at 15:07
    EXPECT_FALSE(engine::is_due(custom, at(15, 7)));
    EXPECT_TRUE(engine::is_due(custom, at(17, 7)));
    for (const char* interval : {"0", "abc", "", "-2"}) {
        custom.Interval(interval);
        for (int hour = 0; hour < 24; ++hour) {
            EXPECT_FALSE(engine::is_due(custom, at(hour, 7))) << interval;
        }
    }
}

TEST(ScheduleDueTest, OnlyTheFourTypesAreSchedules) {
    for (const char* type : {"DAILY", "weekly", "Monthly", "cUSTOM"}) EXPECT_TRUE(engine::names_a_schedule(type));
    for (const char* type : {"NONE", "", "Hourly", " DAILY"}) {
        EXPECT_FALSE(engine::names_a_schedule(type)) << type;
        EXPECT_FALSE(engine::is_due(schedule_of(type, "07", "05"), at(7, 5))) << type;
    }
}

TEST(ScheduleClockTest, AClockStartRunsOnFromTheGivenMomentAndKnowsItsWeekday) {
    engine::set_clock_start({2026, 2, 28, 23, 59, 59});
    LocalTime now = engine::now();
    engine::set_clock({});
    EXPECT_EQ(now.year, 2026);
    // One second or so later it may be the 1st of March already; never anything else.
    EXPECT_TRUE((now.month == 2 && now.day == 28 && now.hour == 23 && now.minute == 59) ||
                (now.month == 3 && now.day == 1 && now.hour == 0 && now.minute == 0));
    EXPECT_EQ(engine::weekday({2026, 8, 31}), 2);  // a Monday
    EXPECT_EQ(engine::weekday({2026, 8, 30}), 1);  // a Sunday
    EXPECT_STREQ(engine::weekday_name(engine::weekday({2026, 9, 5})), "Saturday");
}

class ScheduledRunTest : public tavrin_test::TraceMachineTest {
protected:
    void SetUp() override {
        app::demo::plant_windows_traces();
        app::demo::plant_ie_traces();
        app::demo::plant_application_traces();
    }
    static void tick(const std::string& profile, const std::string& check_box, const std::string& value = "1") {
        app::profile_store::write(profile, "CheckBoxes", check_box, value);
    }
    std::vector<std::string> run(const std::string& profile) {
        Schedule schedule;
        schedule.Profile(profile);
        std::vector<std::string> lines;
        schedule.AddToLog.subscribe([&lines](std::string& line) { lines.push_back(line); });
        schedule.RunSchedule();
        return lines;
    }
    // The index of the first line naming `part`; lines.size() when none does.
    static size_t first_line(const std::vector<std::string>& lines, const std::string& part) {
        return std::find_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return line.find(part) != std::string::npos; }) -
               lines.begin();
    }
    std::string netscape_profile() { return app_data() + "\\Mozilla\\Profiles\\default\\k3x8a2pq.slt"; }
    std::string firefox_profile() { return app_data() + "\\Mozilla\\Firefox\\Profiles\\x7k2m9qa.default"; }
};

TEST_F(ScheduledRunTest, OneTickOfEachCleanerGoesInTheRunsOrderAndNothingElse) {
    // Stored in the reverse of the run's order: the run keeps its own.
    tick("work", "_root.ICQ_RCH");
    tick("work", "_root.Yahoo_CPS", "true");
    tick("work", "_root.MSN_RFF");
    tick("work", "_root.MO_WM");
    tick("work", "_root.AOL_DF");
    tick("work", "_root.OP_CO");
    tick("work", "_root.FF_CCO");
    tick("work", "_root.NS_CO");
    tick("work", "_root.IE_TU");
    tick("work", "_root.WIN_CREH");  // stored with the profile, but a schedule never cleans it
    tick("work", "_root.WIN_DRA");
    tick("work", "_root.WIN_TF", "yes");  // neither true nor 1: not ticked
    tick("work", "_root.NS_HI", "0");

    auto lines = run("work");

    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, "Software\\Microsoft\\Direct3D\\MostRecentApplication").empty());
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\TypedURLs").empty());
    EXPECT_FALSE(exists(netscape_profile() + "\\Cookies.txt"));
    EXPECT_FALSE(exists(firefox_profile() + "\\cookies.txt"));
    EXPECT_FALSE(exists(app_data() + "\\Opera\\Opera\\profile\\cookies4.dat"));
    EXPECT_FALSE(exists("C:\\America Online 6.0\\download\\photos.zip"));
    EXPECT_FALSE(value_exists(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\11.0\\Word\\Data", "Settings"));
    EXPECT_FALSE(exists("C:\\Program Files\\Yahoo!\\Messenger\\YPager.log"));
    EXPECT_FALSE(exists("C:\\Program Files\\ICQLite\\Chats\\chat-4711.txt"));

    // What was not ticked stays, and so does the Run dialog's history.
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU"));
    EXPECT_TRUE(exists(netscape_profile() + "\\history.dat"));
    EXPECT_TRUE(exists(firefox_profile() + "\\history.dat"));
    EXPECT_TRUE(exists(app_data() + "\\Opera\\Opera\\profile\\global.dat"));
    EXPECT_TRUE(exists("C:\\America Online 6.0\\AOLTEMP\\art0001.art"));
    EXPECT_TRUE(value_exists(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\11.0\\PowerPoint\\Data", "Settings"));
    EXPECT_TRUE(exists("C:\\Program Files\\ICQLite\\AteBrowser\\page.htm"));
    EXPECT_FALSE(tavrin_test::value_names(HKEY_CURRENT_USER, "Software\\Microsoft\\DirectInput\\MostRecentApplication").empty());
    EXPECT_TRUE(exists("C:\\WINDOWS\\Temp") && !std::filesystem::is_empty(temp.host("C:\\WINDOWS\\Temp")));

    // The log lines in the run's order, whatever order the profile stored the ticks in.
    const std::vector<std::string> order = {"Direct3D",   "TypedURLs",  "cookies.txt", "cookies4.dat", "photos.zip",
                                            "Word\\Data", "party.jpg", "YPager.log",  "chat-4711.txt"};
    // Netscape's cookie file and then Firefox's.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const auto& line) { return iequals(line, "cookies.txt"); }), 2);
    for (size_t i = 0; i < order.size(); ++i) {
        ASSERT_LT(first_line(lines, order[i]), lines.size()) << "no line names " << order[i];
        if (i > 0) {
            EXPECT_LT(first_line(lines, order[i - 1]), first_line(lines, order[i])) << order[i];
        }
    }
}

TEST_F(ScheduledRunTest, TweaksAreSwitchedOnWithTheirFlagSet) {
    set_text(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\OptimalLayout", "EnableAutoLayout",
             engine::Variant(int32_t{0}), engine::REG_DWORD);
    tick("tweaks", "_root.WIN_OHWI");
    tick("tweaks", "_root.WIN_RH");
    tick("tweaks", "_root.WIN_RRC");
    run("tweaks");
    engine::cRegistry reg;
    EXPECT_EQ(reg.ValueEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\OptimalLayout",
                          "EnableAutoLayout", engine::REG_DWORD, engine::Variant())
                  .to_integer(),
              1);
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit\\Favorites"));
}

TEST_F(ScheduledRunTest, TheAutoCompleteBoxMeansWhatItMeansOnTheScreen) {
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete";
    auto append_completion = [&] {
        engine::cRegistry reg;
        return reg.ValueEx(HKEY_CURRENT_USER, key, "Append Completion", engine::REG_SZ, engine::Variant("<none>")).to_text();
    };
    tick("ac", "_root.IE_TU", "0");
    run("ac");
    EXPECT_EQ(append_completion(), "<none>") << "a box never stored leaves auto-completion alone";
    tick("ac", "_root.IE_AC", "1");
    run("ac");
    EXPECT_EQ(append_completion(), "no");
    tick("ac", "_root.IE_AC", "false");
    run("ac");
    EXPECT_EQ(append_completion(), "yes");
}

TEST_F(ScheduledRunTest, AProfileThatIsGoneOrNoKeyNameCleansNothingAndSaysSo) {
    tick("work", "_root.IE_TU");
    for (const std::string& profile : {std::string("gone"), std::string(""), std::string("work\\..\\work")}) {
        auto lines = run(profile);
        ASSERT_EQ(lines.size(), 1u) << profile;
        EXPECT_NE(lines[0].find("Profile:"), std::string::npos) << lines[0];
        EXPECT_TRUE(lines[0].ends_with(" " + profile)) << lines[0];
    }
    EXPECT_FALSE(tavrin_test::value_names(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\TypedURLs").empty());
    // Characters a file name may not have are fine in a profile name.
    tick("a:b*c?<d>|", "_root.IE_TU");
    auto lines = run("a:b*c?<d>|");
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\TypedURLs").empty());
    EXPECT_LT(first_line(lines, "TypedURLs"), lines.size());
}

}  // namespace
