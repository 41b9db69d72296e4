// The profile chooser and the way out: choosing, deleting, the exit questions and the name prompt.
#include <gtest/gtest.h>

#include "app/settings/profile_store.h"
#include "app/settings/user_settings.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using tavrin_test::ProgramTest;

class ProfilesTest : public ProgramTest {
protected:
    void store_profiles(std::initializer_list<const char*> names) {
        for (const char* name : names) app::profile_store::write(name, "CheckBoxes", "_root.IE_TU", "1");
    }
    void chooser(const std::string& command, const std::string& args = "") {
        stage.send(app::kProfilesMovie, command, args);
    }
    std::string chooser_var(const std::string& name) { return stage.get_variable(app::kProfilesMovie, name); }
};

TEST_F(ProfilesTest, WithoutProfilesTheMainWindowOpensAtOnce) {
    program.start();
    EXPECT_TRUE(stage.window_visible(app::kMainMovie));
    EXPECT_FALSE(stage.window_visible(app::kProfilesMovie));
    EXPECT_EQ(stage.loaded(app::kMainMovie), "26-9-05.swf");
    EXPECT_EQ(main_var("_root.IE_TU"), "0");
}

TEST_F(ProfilesTest, TheChooserListsProfilesAndOpensTheMainWindowWithTheChosenOne) {
    store_profiles({"Home", "Work"});
    app::profile_store::write("Work", "CheckBoxes", "_root.WIN_TF", "true");
    program.start();
    EXPECT_TRUE(stage.window_visible(app::kProfilesMovie));
    EXPECT_EQ(chooser_var("_root.NumberOfTheListItems"), "2");
    EXPECT_EQ(chooser_var("_root.ItemNo0"), "Home");
    EXPECT_EQ(chooser_var("_root.ItemNo1"), "Work");

    chooser("IDC_FS_PROFILE", "undefined");
    chooser("IDC_FS_PROFILE", "");
    EXPECT_FALSE(stage.window_visible(app::kMainMovie));

    chooser("idc_fs_profile", "Work");
    EXPECT_EQ(shell().current_profile(), "Work");
    EXPECT_TRUE(stage.window_visible(app::kMainMovie));
    EXPECT_FALSE(stage.window_visible(app::kProfilesMovie));
    EXPECT_EQ(main_var("_root.WIN_TF"), "true");
}

TEST_F(ProfilesTest, TheStoredLanguageOfTheChooserIsKeptInAnyLetterCase) {
    app::user_settings::save_language("deutsch");
    store_profiles({"Home"});
    program.start();
    EXPECT_EQ(shell().language().file_name(), "msgsg.ini");
    EXPECT_EQ(chooser_var("_root.strCurrentLanguage"), "deutsch");
}

TEST_F(ProfilesTest, TheLastProfileCannotBeDeleted) {
    store_profiles({"Home"});
    program.start();
    stage.will_press(text("msg18"));
    chooser("IDC_FS_DELETE", "Home");
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].message, text("msg17"));
    EXPECT_EQ(stage.boxes()[0].title, text("msg36"));
    EXPECT_EQ(app::profile_store::profiles(), std::vector<std::string>{"Home"});
}

TEST_F(ProfilesTest, DeletingAsksFirstAndPushesTheRemainingNames) {
    store_profiles({"A", "B", "C"});
    program.start();
    stage.will_press(text("msg21"));
    chooser("IDC_FS_DELETE", "B");
    EXPECT_EQ(app::profile_store::profiles().size(), 3u);

    stage.will_press(text("msg20"));
    chooser("IDC_FS_DELETE", "B");
    EXPECT_EQ(app::profile_store::profiles(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(chooser_var("_root.RemoveProfile"), "1");
    EXPECT_EQ(chooser_var("_root.NumberOfTheListItems"), "2");
    EXPECT_EQ(chooser_var("_root.ItemNo0"), "A");
    EXPECT_EQ(chooser_var("_root.ItemNo1"), "C");
}

TEST_F(ProfilesTest, DeletingWithNothingSelectedDeletesNothing) {
    store_profiles({"A", "B"});
    program.start();
    stage.will_press(text("msg20"));
    chooser("IDC_FS_DELETE", "");
    chooser("IDC_FS_DELETE", "undefined");
    EXPECT_EQ(app::profile_store::profiles().size(), 2u);
}

TEST_F(ProfilesTest, ExitFromTheChooserEndsTheProgram) {
    store_profiles({"A"});
    program.start();
    chooser("Exit");
    EXPECT_TRUE(stage.quit_called());
}

class ExitTest : public ProfilesTest {
protected:
    void SetUp() override { program.start(); }
};

TEST_F(ExitTest, WithoutAProfileSaveAsAsksTheNameAndCancelKeepsTheWindow) {
    stage.will_press(text("msg742"));
    stage.will_type("");
    command("IDC_FS_CLOSE");
    EXPECT_EQ(stage.boxes().back().message, text("msg740"));
    EXPECT_EQ(stage.boxes().back().left, text("msg742"));
    EXPECT_EQ(stage.prompts().back(), text("msg6"));
    stage.will_press(text("msg19"));
    command("IDC_FS_CLOSE");
    EXPECT_EQ(stage.prompts().size(), 1u) << "Cancel asks for nothing more";
    EXPECT_FALSE(stage.quit_called());
    // An empty name or Cancel keeps the window open and writes nothing.
    EXPECT_TRUE(app::profile_store::profiles().empty());
}

TEST_F(ExitTest, ANamedProfileIsSavedAndTheProgramEnds) {
    stage.set_variable(app::kMainMovie, "_root.IE_TU", "true");
    stage.set_variable(app::kMainMovie, "_root.TypedUrls_Hide", "true");
    stage.will_press(text("msg742"));
    stage.will_type("  Laptop ");
    command("IDC_FS_CLOSE");
    EXPECT_TRUE(stage.quit_called());
    EXPECT_EQ(shell().current_profile(), "Laptop");
    EXPECT_EQ(app::profile_store::read("Laptop", "CheckBoxes", "_root.IE_TU"), "true");
    EXPECT_EQ(app::profile_store::read("Laptop", "Buttons", "_root.TypedUrls_Hide"), "1");
}

TEST_F(ExitTest, NamesWithABackslashOrOnlyBlanksAreRefusedAndAskedAgain) {
    stage.will_press(text("msg742"));
    stage.will_type("Home\\Evil");
    stage.will_press(text("msg18"));
    stage.will_type("   ");
    stage.will_press(text("msg18"));
    stage.will_type("Home");
    command("IDC_FS_CLOSE");
    EXPECT_EQ(stage.prompts().size(), 3u);
    EXPECT_EQ(stage.boxes()[1].message, text("msg39"));
    EXPECT_EQ(app::profile_store::profiles(), std::vector<std::string>{"Home"});
    EXPECT_TRUE(stage.quit_called());
}

// A key name holds at most 255 characters; a longer profile name was once dropped without a word.
TEST_F(ExitTest, NamesLongerThanAKeyNameAreRefusedAndAskedAgain) {
    const std::string too_long(256, 'x');
    // 255 characters of two bytes each: the limit counts characters, not bytes.
    std::string longest;
    for (int i = 0; i < 255; ++i) longest += "\u00e4";
    stage.will_press(text("msg742"));
    stage.will_type(too_long);
    stage.will_press(text("msg18"));
    stage.will_type(longest);
    command("IDC_FS_CLOSE");
    ASSERT_EQ(stage.prompts().size(), 2u);
    EXPECT_EQ(stage.boxes()[1].message, text("msg39"));
    EXPECT_TRUE(stage.quit_called());
    EXPECT_EQ(app::profile_store::profiles(), std::vector<std::string>{longest});
}

TEST_F(ExitTest, SavingToTheCurrentProfileNamesItAndAsksNoName) {
    shell().set_current_profile("Home");
    stage.will_press(text("msg741"));
    command("IDC_FS_CLOSE");
    EXPECT_NE(stage.boxes().back().message.find("Home"), std::string::npos);
    EXPECT_TRUE(stage.prompts().empty());
    EXPECT_TRUE(stage.quit_called());
    EXPECT_EQ(app::profile_store::profiles(), std::vector<std::string>{"Home"});
}

TEST_F(ExitTest, DontSaveEndsWithoutSaving) {
    shell().set_current_profile("Home");
    stage.will_press(text("msg743"));
    command("IDC_FS_CLOSE");
    EXPECT_TRUE(stage.quit_called());
    EXPECT_TRUE(stage.prompts().empty());
    EXPECT_TRUE(app::profile_store::profiles().empty());
}

TEST_F(ExitTest, AnArmedScheduleIsAskedAboutFirst) {
    stage.will_press(text("msg18"));
    command("IDC_FS_SAVESCHEDULEOPTIONS", "Daily,Monday,31,7,5,false,true,1");
    const size_t before = stage.boxes().size();
    stage.will_press(text("msg21"));
    command("IDC_FS_CLOSE");
    ASSERT_EQ(stage.boxes().size(), before + 1);
    EXPECT_EQ(stage.boxes()[before].title, text("msg38"));
    EXPECT_FALSE(stage.quit_called());

    shell().set_current_profile("Home");
    stage.will_press(text("msg20"));
    stage.will_press(text("msg741"));
    command("IDC_FS_CLOSE");
    EXPECT_EQ(stage.boxes().back().title, text("msg26"));
    EXPECT_TRUE(stage.quit_called());
}

TEST_F(ExitTest, ExitFromTheTrayIsTheCloseButton) {
    command("IDC_FS_MINIMIZE");
    stage.will_press(text("msg743"));
    stage.send(app::kTrayMovie, "emenu");
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].title, text("msg26"));
    EXPECT_TRUE(stage.quit_called());
}

}  // namespace
