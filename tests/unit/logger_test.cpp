// The daily log on a real temporary machine: file names by day, the exact line under different
// regional settings, and the message texts by language.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/foundation/app_settings.h"
#include "engine/foundation/clock.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/logger.h"
#include "engine/foundation/message_text.h"
#include "engine/foundation/regional_format.h"
#include "tests/unit/support/scoped_env.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using namespace engine;
using platform::registry::Root;

constexpr const char* kLogs = "C:\\Program Files\\Orvane\\Logs";

class LoggerTest : public tavrin_test::MachineTest {
protected:
    void SetUp() override { stand_clock_at({2026, 12, 7, 14, 3, 11}); }
    void TearDown() override { set_clock(nullptr); }

    void stand_clock_at(LocalTime time) {
        clock = time;
        set_clock([this] { return clock; });
    }
    void regional(std::string_view name, std::optional<std::string_view> value) {
        auto& reg = machine().registry();
        reg.create_key(Root::CurrentUser, "Control Panel\\International");
        if (!value) {
            reg.delete_value(Root::CurrentUser, "Control Panel\\International", name);
            return;
        }
        std::vector<uint8_t> data(value->begin(), value->end());
        data.push_back(0);
        reg.set_value(Root::CurrentUser, "Control Panel\\International", name, platform::registry::type::Sz, data);
    }
    void german_settings() {
        regional("sShortDate", "dd.MM.yyyy");
        regional("sTimeFormat", "HH:mm:ss");
    }
    void no_settings() {
        for (auto name : {"sShortDate", "sTimeFormat", "s1159", "s2359"}) regional(name, std::nullopt);
    }
    std::string read(const std::string& windows_path) {
        std::ifstream in(temp.host(windows_path), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void log(std::string section, std::string text) { Logger().AddToLog(section, text); }

    LocalTime clock;
};

TEST_F(LoggerTest, LineFormatUnderGermanAndUsSettings) {
    german_settings();
    log("abc ", "xyz");
    EXPECT_EQ(read(std::string(kLogs) + "\\7-12-2026_Log.txt"), "\"07.12.2026     14:03:11\"\tabc xyz\r\n");

    no_settings();
    stand_clock_at({2027, 3, 5, 0, 7, 9});
    log("", "");
    EXPECT_EQ(read(std::string(kLogs) + "\\5-3-2027_Log.txt"), "\"3/5/2027     12:07:09 AM\"\t\r\n");
}

TEST_F(LoggerTest, AppendsPerDayAndStartsANewFileEachDay) {
    german_settings();
    log("one ", "1");
    stand_clock_at({2026, 12, 7, 23, 59, 59});
    log("two ", "2");
    stand_clock_at({2026, 12, 8, 0, 0, 1});
    log("three ", "3");

    EXPECT_EQ(read(log_file_path(2026, 12, 7)),
              "\"07.12.2026     14:03:11\"\tone 1\r\n\"07.12.2026     23:59:59\"\ttwo 2\r\n");
    EXPECT_EQ(read(log_file_path(2026, 12, 8)), "\"08.12.2026     00:00:01\"\tthree 3\r\n");
    EXPECT_EQ(log_file_path(2026, 12, 8), "C:\\Program Files\\Orvane\\Logs\\8-12-2026_Log.txt");
    EXPECT_EQ(Logger().getLogPath(), "C:\\Program Files\\Orvane");
}

// A walk's writer keeps the day's file open from line to line; it must still follow the day, and
// a file deleted between two lines (the walk may shred the log itself) is created afresh rather
// than written into the deleted one.
TEST_F(LoggerTest, AWritersLinesFollowTheDayAndADeletedFileStartsAfresh) {
    german_settings();
    LogWriter writer;
    auto write = [&](std::string section, std::string text) { writer.AddToLog(section, text); };
    write("one ", "1");
    write("two ", "2");
    stand_clock_at({2026, 12, 8, 0, 0, 1});
    write("three ", "3");
    ASSERT_TRUE(std::filesystem::remove(temp.host(log_file_path(2026, 12, 8))));
    stand_clock_at({2026, 12, 8, 0, 0, 2});
    write("four ", "4");
    write("five ", "5");

    EXPECT_EQ(read(log_file_path(2026, 12, 7)),
              "\"07.12.2026     14:03:11\"\tone 1\r\n\"07.12.2026     14:03:11\"\ttwo 2\r\n");
    EXPECT_EQ(read(log_file_path(2026, 12, 8)),
              "\"08.12.2026     00:00:02\"\tfour 4\r\n\"08.12.2026     00:00:02\"\tfive 5\r\n");
}

TEST_F(LoggerTest, MissingLogFolderIsAnErrorAndIsNotCreated) {
    machine().files().delete_tree(kLogs);
    try {
        log("a ", "b");
        FAIL() << "AddToLog must report that it could not write";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.source(), "Tavrin.Logger");
        EXPECT_NE(error.description().find("Logs"), std::string::npos);
    }
    EXPECT_FALSE(machine().files().exists(kLogs));
}

TEST(RegionalFormat, DatePictures) {
    LocalTime t{2026, 3, 5, 9, 4, 7};
    EXPECT_EQ(format_date(t, "M/d/yyyy"), "3/5/2026");
    EXPECT_EQ(format_date(t, "dd.MM.yy"), "05.03.26");
    EXPECT_EQ(format_date(t, "ddd, d. MMM y"), "Thu, 5. Mar 26");
    EXPECT_EQ(format_date(t, "dddd d MMMM yyyy"), "Thursday 5 March 2026");
    EXPECT_EQ(format_date(t, "'day' d 'o''clock'"), "day 5 o'clock");
    EXPECT_EQ(format_date({2000, 1, 1}, "dddd"), "Saturday");
    EXPECT_EQ(format_date({2024, 2, 29}, "dddd"), "Thursday");
}

TEST(RegionalFormat, TimePictures) {
    EXPECT_EQ(format_time({2026, 1, 1, 0, 5, 9}, "h:mm:ss tt", "AM", "PM"), "12:05:09 AM");
    EXPECT_EQ(format_time({2026, 1, 1, 12, 0, 0}, "hh:mm t", "AM", "PM"), "12:00 P");
    EXPECT_EQ(format_time({2026, 1, 1, 23, 5, 9}, "H:m:s", "AM", "PM"), "23:5:9");
    EXPECT_EQ(format_time({2026, 1, 1, 7, 5, 9}, "HH.mm' Uhr'", "", ""), "07.05 Uhr");
    EXPECT_EQ(format_time({2026, 1, 1, 13, 0, 0}, "h tt", "vorm.", "nachm."), "1 nachm.");
}

TEST_F(LoggerTest, MessageTextFollowsTheLanguageSetting) {
    temp.write_file("C:\\Program Files\\Orvane\\skin\\msgs.ini", "[Orvane]\r\nmsg15=english text\r\n");
    temp.write_file("C:\\Program Files\\Orvane\\skin\\msgsg.ini", "[Orvane]\r\nmsg15=deutscher Text\r\n");

    EXPECT_EQ(GetMessageText("msg15"), "english text") << "no setting follows the locale, which is not German";
    {
        tavrin_test::ScopedEnv lang("LANG", "de_DE.UTF-8");
        EXPECT_EQ(GetMessageText("msg15"), "deutscher Text") << "no setting follows the locale";
    }
    SaveSetting("Orvane", "Lang", "Lang", "dEuTsCh");
    EXPECT_EQ(GetMessageText("msg15"), "deutscher Text");
    // German only for Deutsch, as the message boxes and the screens decide.
    SaveSetting("Orvane", "Lang", "Lang", "Francais");
    EXPECT_EQ(GetMessageText("msg15"), "english text");
    EXPECT_EQ(GetMessageText("msg999"), std::string(255, '\0'));
    // The texts are kept between calls, but not past a change of the file.
    temp.write_file("C:\\Program Files\\Orvane\\skin\\msgs.ini", "[Orvane]\r\nmsg15=new english text\r\n");
    EXPECT_EQ(GetMessageText("msg15"), "new english text");
}

}  // namespace
