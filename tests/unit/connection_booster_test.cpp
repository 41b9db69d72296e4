// The connection booster screen: the defaults of the connection type at start-up and on change,
// the stored type, and the mode commands.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/features/booster/connection_booster.h"
#include "app/settings/user_settings.h"
#include "platform/machine/install.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using tavrin_test::ProgramTest;
using tavrin_test::RecordingStage;

// The TCP/IP fields of the screen, in the order they are pushed.
const std::vector<std::string> kSharedFields = {"_root.rwin", "_root.ttl", "_root.MSecTime",
                                                "_root.MSecIntreval", "_root.syn", "_root.ndl"};

class ConnectionBoosterTest : public ProgramTest {
protected:
    // The booster fields the program pushed, in order, as "name=value".
    static std::vector<std::string> pushed_fields(const RecordingStage& stage) {
        std::vector<std::string> fields;
        for (const auto& set : stage.sets()) {
            if (set.movie != app::kMainMovie) continue;
            bool booster = set.name == "_root.mtu" || set.name == "_root.mss";
            for (const auto& shared : kSharedFields) booster |= set.name == shared;
            if (booster) fields.push_back(set.name + "=" + set.value);
        }
        return fields;
    }

    // A new start of the program on the same machine, after the machine was written out.
    RecordingStage& restart() {
        machine().flush();
        temp.reopen();
        next_stage_ = std::make_unique<RecordingStage>();
        next_program_ = std::make_unique<app::Program>(
            *next_stage_, app::ProgramInfo{platform::kProgramFolder, "tavrinapp", 2, 1, 7});
        next_program_->start();
        return *next_stage_;
    }

    std::unique_ptr<RecordingStage> next_stage_;
    std::unique_ptr<app::Program> next_program_;
};

TEST_F(ConnectionBoosterTest, ChosenTypeIsPushedStoredAndOpensTheNextStart) {
    program.start();
    command("IDC_FS_CONNECTION", "false,false,true,false");
    EXPECT_EQ(main_var("_root.mtu"), "1492");
    EXPECT_EQ(main_var("_root.mss"), "1452");
    EXPECT_EQ(app::user_settings::read("Mode", "Mode", ""), "Dsl");

    auto& next = restart();
    EXPECT_EQ(next.get_variable(app::kMainMovie, "_root.mtu"), "1492");
    EXPECT_EQ(next.get_variable(app::kMainMovie, "_root.mss"), "1452");
}

TEST_F(ConnectionBoosterTest, TypeEditedByHandStillGetsTheSharedValues) {
    app::user_settings::save("Mode", "Mode", "Satellite");
    app::user_settings::save("ISB", "SYN", "1");
    program.start();
    std::vector<std::string> expected;
    for (const auto& field : kSharedFields) expected.push_back(field + "=" + main_var(field));
    EXPECT_EQ(pushed_fields(stage), expected);
    EXPECT_EQ(main_var("_root.rwin"), "6432");
    EXPECT_EQ(main_var("_root.syn"), "1");  // the stored SYN option is offered again
    EXPECT_EQ(main_var("_root.mtu"), "");
}

TEST(ConnectionTypeFlags, FirstTrueFlagWinsBlanksAndCaseAside) {
    EXPECT_EQ(app::connection_type_of("false,false,false,false"), "Dial");
    EXPECT_EQ(app::connection_type_of("false, TRUE,false,false"), "Cable");
    EXPECT_EQ(app::connection_type_of("false,false,false,t r u e"), "Lan");
    EXPECT_EQ(app::connection_type_of("false,true,true,false"), "Cable");
    EXPECT_EQ(app::connection_type_of("true,true,true,true"), "Dial");
    // A shorter list or none at all: the flags it lacks are not true.
    EXPECT_EQ(app::connection_type_of("false,false,True"), "Dsl");
    EXPECT_EQ(app::connection_type_of(""), "Dial");
    EXPECT_EQ(app::connection_type_of("yes,1,false,false"), "Dial");
}

TEST_F(ConnectionBoosterTest, ModeCommandsChangeNothingAndTheFinishedFormsShowTheNotice) {
    program.start();
    auto sets_before = stage.sets().size();
    for (const char* mode : {"AUTOMATIC-A", "automatic-g", "WINDOWS DEFAULT"})
        EXPECT_TRUE(shell().commands().dispatch(mode, "")) << mode;
    EXPECT_FALSE(shell().commands().dispatch("AUTOMATIC-H", ""));
    EXPECT_EQ(stage.sets().size(), sets_before);
    EXPECT_TRUE(stage.boxes().empty());

    for (const char* finished : {"IDC_FS_ISB_WIZARDMODE", "IDC_FS_PINGSETTINGS", "IDC_FS_ADVANCEDMODEFINISHED"}) {
        stage.will_press(text("msg18"));
        command(finished);
    }
    ASSERT_EQ(stage.boxes().size(), 3u);
    for (const auto& box : stage.boxes()) {
        EXPECT_EQ(box.title, text("msg4"));
        EXPECT_EQ(box.message, text("msg4"));
    }
}

}  // namespace
