// Option state: what the exit saves under a profile and what the next start puts back.
#include <gtest/gtest.h>

#include "app/kernel/option_state.h"
#include "app/settings/name_tables.h"
#include "app/settings/profile_store.h"
#include "app/settings/user_settings.h"
#include "engine/foundation/app_settings.h"
#include "engine/foundation/cregistry.h"
#include "tests/unit/support/program_fixture.h"
#include "tests/unit/support/scoped_env.h"

namespace {

using tavrin_test::ProgramTest;

class SettingsTest : public ProgramTest {
protected:
    void set_main(const std::string& name, const std::string& value) { stage.set_variable(app::kMainMovie, name, value); }
    std::string stored(const std::string& key, const std::string& name) {
        return app::profile_store::read("Home", key, name);
    }
    // What a new start of the program on the same machine shows, after the machine was written out.
    tavrin_test::RecordingStage& restart_with_profile(const std::string& profile) {
        machine().flush();
        temp.reopen();
        next_stage_ = std::make_unique<tavrin_test::RecordingStage>();
        next_program_ = std::make_unique<app::Program>(*next_stage_, app::ProgramInfo{platform::kProgramFolder, "tavrinapp", 2, 1, 7});
        next_program_->start();
        next_stage_->send(app::kProfilesMovie, "IDC_FS_PROFILE", profile);
        return *next_stage_;
    }

    std::unique_ptr<tavrin_test::RecordingStage> next_stage_;
    std::unique_ptr<app::Program> next_program_;
};

TEST_F(SettingsTest, TicksAreStoredAsTheMovieHoldsThemAndComeBackOnTheNextStart) {
    program.start();
    shell().set_current_profile("Home");
    set_main("_root.IE_TU", "true");
    set_main("_root.IE_AC", "false");
    set_main("_root.IE_DF", "1");
    set_main("_root.ISB_WM_AC", "true");
    set_main("_root.ISB_WizardMode", "_root.ISB_WM_AC");
    set_main("_root.SelectedRadioBtn", "2");
    set_main("_root.syn", "1");
    app::save_check_boxes(shell());

    EXPECT_EQ(stored("CheckBoxes", "_root.IE_TU"), "true");
    EXPECT_EQ(stored("CheckBoxes", "_root.IE_AC"), "0");
    EXPECT_EQ(stored("CheckBoxes", "_root.WIN_BF"), "0");  // never touched: empty
    EXPECT_EQ(stored("CheckBoxes", "_root.ISB_WM_AA"), "false");
    EXPECT_EQ(stored("CheckBoxes", "_root.ISB_WM_AC"), "true");
    EXPECT_EQ(stored("lang", "Lang"), "English");
    EXPECT_EQ(app::user_settings::read("ISB", "SYN", "0"), "1");

    auto& next = restart_with_profile("Home");
    auto var = [&](const char* name) { return next.get_variable(app::kMainMovie, name); };
    EXPECT_EQ(var("_root.IE_TU"), "true");
    EXPECT_EQ(var("_root.IE_AC"), "0");
    EXPECT_EQ(var("_root.IE_DF"), "1");
    EXPECT_EQ(var("_root.ISB_WM_AC"), "true");
    EXPECT_EQ(var("_root.SelectedRadioBtn"), "2");
    for (const char* name : app::kCheckBoxNames) EXPECT_FALSE(var(name).empty()) << name;
}

TEST_F(SettingsTest, WithoutAProfileNothingIsWrittenAndEveryTickButTheDllBackupStartsOff) {
    program.start();
    set_main("_root.IE_TU", "true");
    set_main("_root.TypedUrls_Show", "true");
    app::save_check_boxes(shell());
    app::save_buttons(shell());
    EXPECT_TRUE(app::profile_store::profiles().empty());
    for (const char* name : app::kCheckBoxNames) {
        if (std::string(name) != "_root.IE_TU") {
            EXPECT_EQ(main_var(name), std::string(name) == "_root.DLL_BBD" ? "1" : "0") << name;
        }
    }
}

TEST_F(SettingsTest, ButtonsStoreOnlyTrueOrOffAndKeepAnyOtherStoredValue) {
    program.start();
    shell().set_current_profile("Home");
    set_main("_root.TypedUrls_Show", "true");
    set_main("_root.TypedUrls_Hide", "false");
    set_main("_root.Favorites_Show", "true");
    app::save_buttons(shell());
    set_main("_root.Favorites_Show", "yes");
    app::save_buttons(shell());
    EXPECT_EQ(stored("Buttons", "_root.TypedUrls_Show"), "1");
    EXPECT_EQ(stored("Buttons", "_root.TypedUrls_Hide"), "0");
    EXPECT_EQ(stored("Buttons", "_root.Favorites_Show"), "1");
    // The start values "0"/"1" are not states the movie reports; nothing is stored for them.
    EXPECT_EQ(stored("Buttons", "_root.Password_Show"), "");
}

TEST_F(SettingsTest, OneButtonOfEachPairIsActiveWhenNoneIsStored) {
    app::profile_store::write("Home", "CheckBoxes", "_root.IE_TU", "1");
    app::profile_store::write("Home", "Buttons", "_root.Favorites_Show", "1");
    auto& next = restart_with_profile("Home");
    auto var = [&](const char* name) { return next.get_variable(app::kMainMovie, name); };
    EXPECT_EQ(var("_root.TypedUrls_Show"), "0");
    EXPECT_EQ(var("_root.TypedUrls_Hide"), "1");
    EXPECT_EQ(var("_root.Favorites_Show"), "1");
    EXPECT_EQ(var("_root.Favorites_Hide"), "0");
    EXPECT_EQ(var("_root.Password_Show"), "0");
    EXPECT_EQ(var("_root.Password_Hide"), "1");
}

TEST_F(SettingsTest, StartValuesVersionLanguageAndDllBackupFlag) {
    app::profile_store::write("Home", "CheckBoxes", "_root.DLL_BBD", "true");
    app::user_settings::save("Ping", "val", "7");
    app::user_settings::save_language("Deutsch");
    auto& next = restart_with_profile("Home");
    auto var = [&](const char* name) { return next.get_variable(app::kMainMovie, name); };
    EXPECT_EQ(var("_root.Version"), "2.1.1.7");
    EXPECT_EQ(var("_root.minStepper"), "7");
    EXPECT_EQ(var("_root.myCounter_SFI"), "0");
    EXPECT_EQ(var("_root.HNIP"), "1");
    EXPECT_FALSE(var("_root.PingInput").empty());
    // The main window speaks the language the chooser, the message boxes and the log speak.
    EXPECT_EQ(var("_root.strCurrentLanguage"), "Deutsch");
    EXPECT_EQ(next_stage_->get_variable(app::kProfilesMovie, "_root.strCurrentLanguage"), "Deutsch");
    EXPECT_EQ(next_program_->shell().language().file_name(), "msgsg.ini");
    EXPECT_EQ(var("_root.DLL_BBD"), "true");
}

TEST_F(SettingsTest, AnEmptyLanguageIsSavedAsTheLanguageOfTheUsersLocale) {
    program.start();
    shell().set_current_profile("Home");
    for (auto [locale, language] : {std::pair{"C.UTF-8", "English"}, std::pair{"de_DE.UTF-8", "Deutsch"}}) {
        tavrin_test::ScopedEnv lang("LANG", locale);
        engine::DeleteSetting("Orvane", "Lang", "Lang");
        shell().language().select("");
        app::save_check_boxes(shell());
        EXPECT_EQ(stored("lang", "Lang"), language) << locale;
        EXPECT_EQ(app::user_settings::language(), language) << locale;
    }
}

engine::Variant registry_value(engine::ERegistryClassConstants root, const std::string& key, const std::string& name) {
    engine::cRegistry registry;
    return registry.ValueEx(root, key, name, engine::REG_SZ, "missing");
}

TEST_F(SettingsTest, OptionsSwitchEachTweakOnOffOrLeaveItAlone) {
    program.start();
    const std::string advanced = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
    engine::cRegistry registry;
    registry.ValueEx(engine::HKEY_CURRENT_USER, advanced, "EnableBalloonTips", engine::REG_DWORD, 0, int32_t{1});

    stage.will_press(text("msg18"));
    command("IDC_FS_OPT", "1,0,x,true,false,0");

    auto program_path = std::string(platform::kProgramFolder) + "\\tavrinapp.EXE";
    EXPECT_EQ(registry_value(engine::HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                             program_path).to_text(), program_path);
    EXPECT_EQ(registry_value(engine::HKEY_LOCAL_MACHINE,
                             "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\system",
                             "SynchronousMachineGroupPolicy").to_integer(), 0);
    EXPECT_EQ(registry_value(engine::HKEY_LOCAL_MACHINE,
                             "SYSTEM\\CurrentControlSet\\Services\\lanmanserver\\parameters", "AutoShareWks")
                  .to_text(), "missing");
    EXPECT_EQ(registry_value(engine::HKEY_CURRENT_USER, advanced, "EnableBalloonTips").to_text(), "missing");
    EXPECT_EQ(registry_value(engine::HKEY_CURRENT_USER, "Control Panel\\Colors", "ButtonShadow").to_text(),
              "128 128 128");
    auto layout = registry_value(engine::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\OptimalLayout",
                                 "EnableAutoLayout");
    EXPECT_TRUE(layout.is_integer());
    EXPECT_EQ(layout.to_integer(), 0);
    // Then the completion notice.
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].title, text("msg4"));
}

TEST_F(SettingsTest, EachValueATweakRemovesIsALineOfTheLogWindow) {
    program.start();
    const std::string advanced = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
    engine::cRegistry registry;
    registry.ValueEx(engine::HKEY_CURRENT_USER, advanced, "EnableBalloonTips", engine::REG_DWORD, 0, int32_t{0});

    stage.will_press(text("msg18"));
    command("IDC_FS_OPT", "x,x,x,1,x,x");  // balloons on: the value that switched them off goes

    EXPECT_EQ(registry_value(engine::HKEY_CURRENT_USER, advanced, "EnableBalloonTips").to_text(), "missing");
    auto lines = stage.values_of(app::kLogMovie, "_root.LogFile");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("EnableBalloonTips"), std::string::npos) << lines[0];
    EXPECT_TRUE(stage.window_visible(app::kLogMovie));
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].title, text("msg4"));
}

TEST_F(SettingsTest, AShortOptionListLeavesTheMissingTweaksAlone) {
    program.start();
    stage.will_press(text("msg18"));
    command("IDC_FS_OPT", "0");
    auto layout = registry_value(engine::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\OptimalLayout",
                                 "EnableAutoLayout");
    EXPECT_EQ(layout.to_text(), "missing");
    EXPECT_EQ(stage.boxes().size(), 1u);
}

}  // namespace
