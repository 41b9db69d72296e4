// The message box, its answers, the language files and the log window.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/settings/user_settings.h"
#include "app/texts/fill_in.h"
#include "app/texts/language.h"
#include "app/windows/log_window.h"
#include "engine/foundation/ini.h"
#include "engine/foundation/message_text.h"
#include "platform/text/ascii_case.h"
#include "tests/unit/support/program_fixture.h"
#include "tests/unit/support/scoped_env.h"

namespace {

using tavrin_test::ProgramTest;

class MessagesTest : public ProgramTest {
protected:
    void SetUp() override { program.start(); }

    // Replaces the English message file of the installed skin.
    void write_messages(const std::string& contents) {
        temp.write_file(std::string(platform::kProgramFolder) + "\\skin\\msgs.ini", "[Orvane]\r\n" + contents);
    }
};

TEST_F(MessagesTest, ButtonSetsShowTheirLabelsAndFrames) {
    struct Case {
        int buttons, frame;
        std::string left, middle, right;
    };
    for (const auto& c : {Case{1, 0, "", "msg18", ""}, Case{2, 1, "msg20", "", "msg21"},
                          Case{3, 2, "msg20", "msg21", "msg19"}, Case{7, 2, "msg741", "msg743", "msg19"},
                          Case{8, 2, "msg742", "msg743", "msg19"}}) {
        tavrin_test::RecordingStage box_stage;
        app::FlashMsgBox box(box_stage, shell().language());
        box_stage.on_command(app::kMsgBoxMovie, [&](const std::string& command, const std::string& args) {
            box.handle_press(command, args);
        });
        // The first answer row of this title closes the box with the single button.
        box_stage.will_press(text("msg18"));
        box.ShowMsg("text", text("msg4"), app::sign::Warning, c.buttons);
        ASSERT_EQ(box_stage.boxes().size(), 1u);
        const auto& shown = box_stage.boxes()[0];
        auto label = [&](const std::string& key) { return key.empty() ? std::string() : text(key); };
        EXPECT_EQ(shown.buttons_frame, c.frame) << c.buttons;
        EXPECT_EQ(shown.left, label(c.left)) << c.buttons;
        EXPECT_EQ(shown.middle, label(c.middle)) << c.buttons;
        EXPECT_EQ(shown.right, label(c.right)) << c.buttons;
        EXPECT_EQ(shown.sign, app::sign::Warning);
        EXPECT_EQ(shown.title, text("msg4"));
        EXPECT_EQ(shown.message, "text");
    }
}

TEST_F(MessagesTest, CompletionNoticeUsesTheCompletionTextIconAndOneButton) {
    stage.will_press(text("msg18"));
    shell().notify_completion();
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].title, text("msg4"));
    EXPECT_EQ(stage.boxes()[0].message, text("msg4"));
    EXPECT_EQ(stage.boxes()[0].sign, app::sign::Completion);
    EXPECT_EQ(stage.boxes()[0].buttons_frame, 0);
    EXPECT_FALSE(stage.window_visible(app::kMsgBoxMovie));
}

TEST_F(MessagesTest, AnswersLandInTheFlagOfTheQuestionsTitleWhateverTheLetterCase) {
    const app::Question question{"msg10", "msg30", app::sign::Warning};
    stage.will_press(platform::text::to_upper(text("msg20")));
    EXPECT_TRUE(shell().confirm(question));
    stage.will_press(text("msg21"));
    EXPECT_FALSE(shell().confirm(question));
}

TEST_F(MessagesTest, AReportMatchingNoRowLeavesTheBoxOpen) {
    stage.will_press("Maybe");
    stage.will_press(text("msg14"));  // not an answer of this question either
    stage.will_press(text("msg20"));
    EXPECT_TRUE(shell().confirm({"msg7", "msg27", app::sign::Notice}));
    EXPECT_EQ(stage.boxes().size(), 1u);
    EXPECT_FALSE(stage.unanswered_script());
}

TEST_F(MessagesTest, TitlesTranslatedAlikeAnswerTheEarlierRowAndNeverAnEarlierYes) {
    write_messages("msg4=Done\r\nmsg10=Sure?\r\nmsg18=OK\r\nmsg20=Yes\r\nmsg21=No\r\nmsg29=Careful\r\nmsg30=Careful\r\n");
    const app::Question drive{"msg10", "msg29", app::sign::Warning};
    const app::Question registry{"msg10", "msg30", app::sign::Warning};

    // The registry row comes first: a "yes" to the drive question lands in the registry flag.
    stage.will_press("Yes");
    EXPECT_FALSE(shell().confirm(drive));
    EXPECT_TRUE(shell().message_box().answers().get("msg30"));

    // The same holds for the registry question itself, which therefore is answered.
    stage.will_press("Yes");
    EXPECT_TRUE(shell().confirm(registry));
    // A drive question answered "No" must not go ahead on an old "yes" of its own flag.
    shell().message_box().answers().set("msg29", true);
    stage.will_press("No");
    EXPECT_FALSE(shell().confirm(drive));
}

TEST_F(MessagesTest, DontSaveOnTheSaveQuestionEndsTheProgram) {
    stage.will_press(text("msg743"));
    EXPECT_FALSE(
        shell().message_box().ShowMsg(text("msg5"), text("msg26"), app::sign::Warning, app::buttons::SaveDontSaveCancel));
    EXPECT_TRUE(stage.quit_called());
    EXPECT_TRUE(shell().ending());
}

// Every box the program's code shows, as its calls name it: a question or notice by its title
// followed by its icon (shown with the yes/no buttons or the single one), or a direct ShowMsg call
// by its title, icon and button set. Each button of each box must close it, in either language.
TEST_F(MessagesTest, EveryButtonOfEveryBoxTheProgramShowsClosesIt) {
    struct Box {
        std::string where, title_key;
        int buttons;
    };
    const std::map<std::string, int> sets{{"One", app::buttons::One},
                                          {"YesNo", app::buttons::YesNo},
                                          {"YesNoOther", app::buttons::YesNoOther},
                                          {"SaveDontSaveCancel", app::buttons::SaveDontSaveCancel},
                                          {"SaveAsDontSaveCancel", app::buttons::SaveAsDontSaveCancel},
                                          {"CleanAlwaysCancel", app::buttons::CleanAlwaysCancel}};
    static const std::regex question(R"re("(msg\d+)"\s*,\s*sign::)re");
    static const std::regex show_msg(R"re(text\("(msg\d+)"\)\s*,\s*sign::\w+\s*,\s*buttons::(\w+)\s*\))re");
    static const std::regex show_msg_call(R"re(\.ShowMsg\()re");
    std::vector<Box> boxes;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::path(TAVRIN_SOURCE_DIR) / "app")) {
        if (entry.path().extension() != ".cpp") continue;
        std::ifstream in(entry.path());
        const std::string code{std::istreambuf_iterator<char>(in), {}};
        const std::string where = entry.path().filename().string();
        for (std::sregex_iterator it(code.begin(), code.end(), question), end; it != end; ++it)
            for (int buttons : {app::buttons::One, app::buttons::YesNo}) boxes.push_back({where, (*it)[1], buttons});
        const auto calls = std::distance(std::sregex_iterator(code.begin(), code.end(), show_msg_call), {});
        auto recognised = 0;
        for (std::sregex_iterator it(code.begin(), code.end(), show_msg), end; it != end; ++it, ++recognised) {
            ASSERT_TRUE(sets.contains((*it)[2])) << where << ": buttons::" << (*it)[2];
            boxes.push_back({where, (*it)[1], sets.at((*it)[2])});
        }
        // The box's own confirm and notify show the questions found above.
        if (where != "flash_msg_box.cpp") {
            EXPECT_EQ(calls, recognised) << where << " shows a box whose title and buttons this test cannot read";
        }
    }
    // The ones named in reports of boxes that stayed open, so the scan cannot quietly find none.
    for (const char* title : {"msg76", "msg120", "msg122", "msg26", "msg4"})
        EXPECT_TRUE(std::ranges::any_of(boxes, [&](const Box& box) { return box.title_key == title; })) << title;

    for (const char* language : {"English", "Deutsch"}) {
        shell().language().select(language);
        for (const Box& box : boxes) {
            tavrin_test::RecordingStage box_stage;
            app::FlashMsgBox message_box(box_stage, shell().language());
            box_stage.on_command(app::kMsgBoxMovie, [&](const std::string& command, const std::string& args) {
                message_box.handle_press(command, args);
            });
            message_box.ShowMsg("text", text(box.title_key), app::sign::Notice, box.buttons);
            const auto& shown = box_stage.boxes().back();
            for (const std::string& label : {shown.left, shown.middle, shown.right}) {
                if (label.empty()) continue;
                box_stage.will_press(label);
                EXPECT_TRUE(message_box.ShowMsg("text", text(box.title_key), app::sign::Notice, box.buttons))
                    << language << " " << box.where << " " << box.title_key << " " << label << " left the box open";
                EXPECT_FALSE(box_stage.unanswered_script());
            }
        }
    }
}

TEST_F(MessagesTest, PressesWithNoBoxOpenAnswerNothing) {
    stage.send(app::kMsgBoxMovie, text("msg30"), text("msg20"));
    EXPECT_FALSE(shell().message_box().answers().get("msg30"));
}

TEST(LanguageFiles, DeutschInAnyCaseAndItsMisspellingChooseTheGermanFile) {
    EXPECT_EQ(app::Language::message_file_for("Deutsch"), "msgsg.ini");
    EXPECT_EQ(app::Language::message_file_for("deutsch"), "msgsg.ini");
    EXPECT_EQ(app::Language::message_file_for("DUETSCH"), "msgsg.ini");
    EXPECT_EQ(app::Language::message_file_for("English"), "msgs.ini");
    EXPECT_EQ(app::Language::message_file_for(""), "msgs.ini");
    EXPECT_EQ(app::Language::message_file_for(" Deutsch"), "msgs.ini");
}

// The keys of a shipped language file, each with how often it appears. A key written twice
// answers with its first text only, so a feature that picked a number already taken shows
// another feature's message.
std::map<std::string, int> message_keys(const std::string& file_name) {
    std::ifstream file(std::string(TAVRIN_SKIN_DIR) + "/" + file_name);
    std::map<std::string, int> keys;
    for (std::string line; std::getline(file, line);) {
        auto equals = line.find('=');
        if (line.rfind("msg", 0) == 0 && equals != std::string::npos) ++keys[line.substr(0, equals)];
    }
    return keys;
}

TEST(LanguageFiles, BothFilesHaveTheSameKeysAndNoKeyTwice) {
    auto english = message_keys("msgs.ini");
    auto german = message_keys("msgsg.ini");
    ASSERT_GT(english.size(), 50u);
    std::set<std::string> english_names, german_names;
    for (const auto& [key, count] : english) {
        EXPECT_EQ(count, 1) << key << " appears " << count << " times in msgs.ini";
        english_names.insert(key);
    }
    for (const auto& [key, count] : german) {
        EXPECT_EQ(count, 1) << key << " appears " << count << " times in msgsg.ini";
        german_names.insert(key);
    }
    EXPECT_EQ(english_names, german_names);
}

TEST_F(MessagesTest, EveryKeyTheShellUsesHasATextInBothLanguages) {
    for (const char* language : {"English", "Deutsch"}) {
        shell().language().select(language);
        for (int key : {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 17, 18, 19, 20, 21, 26, 27, 28, 29, 30, 31, 32, 33, 36,
                        37, 38, 39})
            EXPECT_FALSE(text("msg" + std::to_string(key)).empty()) << language << " msg" << key;
    }
}

TEST_F(MessagesTest, AMessageLongerThanASettingIsShownWhole) {
    const std::string reason = "Start that Windows and shut it down fully. " + std::string(600, 'x') + " end.";
    write_messages("msg4=All done\r\nmsg990=" + reason + "\r\n");
    EXPECT_EQ(shell().text("msg990"), reason);
    EXPECT_EQ(engine::GetMessageText("msg990"), reason);  // the engine's log lines read it too
}

TEST_F(MessagesTest, AfterSwitchingToDeutschTheNextBoxIsGerman) {
    command("IDC_FS_LANGUAGE", "Deutsch");
    stage.will_press("Ja");
    EXPECT_TRUE(shell().confirm({"msg7", "msg27", app::sign::Notice}));
    EXPECT_EQ(stage.boxes().back().title, "Dateien vernichten");
}

TEST_F(MessagesTest, MissingLanguageFileShowsKeysThatStillAnswerAndSaysSoInTheLanguageSpokenBefore) {
    command("IDC_FS_LANGUAGE", "Deutsch");
    const std::string german_notice = text("msg477");
    ASSERT_EQ(german_notice.rfind("Die Sprachdatei", 0), 0u);
    temp.machine().files().delete_file(std::string(platform::kProgramFolder) + "\\skin\\msgs.ini");
    command("IDC_FS_LANGUAGE", "English");
    EXPECT_FALSE(shell().language().file_available());
    EXPECT_EQ(stage.get_variable(app::kLogMovie, "_root.LogFile"),
              app::fill_in(german_notice, {std::string(platform::kProgramFolder) + "\\skin\\msgs.ini"}));
    stage.will_press("msg20");
    EXPECT_TRUE(shell().confirm({"msg7", "msg27", app::sign::Notice}));
    EXPECT_EQ(stage.boxes().back().message, "msg7");
}

TEST(MessageTexts, PlacesAreFilledInOrderAndAFilledValueIsNotReadAgain) {
    EXPECT_EQ(app::fill_in("All done: %1 shredded, %2 not shredded.", {"3", "1"}),
              "All done: 3 shredded, 1 not shredded.");
    EXPECT_EQ(app::fill_in("%1 and %1 again", {"C:"}), "C: and C: again");
    // A name holding a mark stays as it is; a mark without a value, or none at all, stays too.
    EXPECT_EQ(app::fill_in("drive %1, %2", {"odd %2 name"}), "drive odd %2 name, %2");
    EXPECT_EQ(app::fill_in("100% sure%", {"x"}), "100% sure%");
}

TEST(LogWindowFiles, TodaysLogFileNameHasNoLeadingZeros) {
    EXPECT_EQ(app::LogWindow::log_file_path("C:\\P", {2007, 1, 1}), "C:\\P\\Logs\\1-1-2007_Log.txt");
    EXPECT_EQ(app::LogWindow::log_file_path("C:\\P", {2006, 3, 7}), "C:\\P\\Logs\\7-3-2006_Log.txt");
    EXPECT_EQ(app::LogWindow::log_file_path("C:\\P", {2024, 12, 31}), "C:\\P\\Logs\\31-12-2024_Log.txt");
}

TEST_F(MessagesTest, ViewLogOpensTodaysLogAndHidesTheWindow) {
    shell().log_window().show();
    stage.send(app::kLogMovie, "idc_fs_viewlog");
    ASSERT_EQ(stage.opened_files().size(), 1u);
    EXPECT_EQ(stage.opened_files()[0], app::LogWindow::log_file_path(platform::kProgramFolder, app::today()));
    EXPECT_FALSE(stage.window_visible(app::kLogMovie));

    shell().log_window().show();
    stage.send(app::kLogMovie, "IDC_FS_CLOSE");
    EXPECT_FALSE(stage.window_visible(app::kLogMovie));
    EXPECT_FALSE(stage.quit_called());
}

// A Wine prefix the program never ran on stores no language: the program takes the user's locale,
// and every window, box and log line speaks it.
TEST(UserLanguage, AMachineWithoutAStoredChoiceSpeaksTheLocalesLanguageEverywhere) {
    struct Case {
        const char* lc_all;
        const char* lang;
        const char* language;
        const char* file;
    };
    const Case cases[] = {
        {nullptr, "de_DE.UTF-8", "Deutsch", "msgsg.ini"},   {"", "de_AT", "Deutsch", "msgsg.ini"},
        {nullptr, "C.UTF-8", "English", "msgs.ini"},        {nullptr, nullptr, "English", "msgs.ini"},
        {"en_US.UTF-8", "de_DE.UTF-8", "English", "msgs.ini"}, {nullptr, "fr_FR.UTF-8", "English", "msgs.ini"},
    };
    auto maybe = [](const char* text) { return text ? std::optional<std::string>(text) : std::nullopt; };
    for (const Case& c : cases) {
        SCOPED_TRACE("LC_ALL=" + maybe(c.lc_all).value_or("(unset)") + " LANG=" + maybe(c.lang).value_or("(unset)"));
        tavrin_test::ScopedEnv lc_all("LC_ALL", maybe(c.lc_all));
        tavrin_test::ScopedEnv lc_messages("LC_MESSAGES", std::nullopt);
        tavrin_test::ScopedEnv lang("LANG", maybe(c.lang));
        tavrin_test::TempMachine temp;
        tavrin_test::RecordingStage stage;
        app::Program program(stage, {platform::kProgramFolder, "tavrinapp", 2, 1, 7});
        program.start();
        program.shell().log_window().show();

        for (const char* movie : {app::kProfilesMovie, app::kMainMovie, app::kLogMovie})
            EXPECT_EQ(stage.get_variable(movie, "_root.strCurrentLanguage"), c.language) << movie;
        EXPECT_EQ(program.shell().language().file_name(), c.file);
        std::string file = std::string(platform::kProgramFolder) + "\\skin\\" + c.file, section = "Orvane";
        auto message = [&](std::string key) { return engine::INI().GetFromINI(file, section, key); };
        EXPECT_EQ(program.shell().text("msg4"), message("msg4").substr(0, message("msg4").find('\0')));
        EXPECT_EQ(engine::GetMessageText("msg15"), message("msg15")) << "the log file's lines";
    }
}

TEST_F(MessagesTest, LogWindowTakesTheStoredLanguageWhenItFirstLoads) {
    app::user_settings::save_language("Deutsch");
    shell().log_window().show();
    EXPECT_EQ(stage.get_variable(app::kLogMovie, "_root.strCurrentLanguage"), "Deutsch");
    EXPECT_EQ(shell().language().file_name(), "msgsg.ini");
}

}  // namespace
