// The engine's tray icon class and the page's tray element it shows, and the splash at start-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/stage/tray_icon.h"
#include "engine/foundation/hooks.h"
#include "engine/tools/systray.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using Shown = std::pair<bool, std::string>;

class SystrayTest : public tavrin_test::MachineTest {
protected:
    std::vector<Shown> calls;
    const engine::HostHooksInPlace hooks{
        {.show_tray_icon = [this](bool shown, const std::string& tip) { calls.emplace_back(shown, tip); }}};
};

TEST_F(SystrayTest, ALongTipIsCutTo64) {
    auto tray = engine::create<engine::Systray>("Tavrin.Systray");
    ASSERT_NE(tray, nullptr);
    int32_t window = 4242;
    std::string tip(70, 'x');
    tip.replace(0, 6, "Tavrin");
    tray->AddToTray(window, tip);
    EXPECT_EQ(calls, (std::vector<Shown>{{true, tip.substr(0, 64)}}));
}

TEST_F(SystrayTest, AShortTipIsPaddedAndShownWithoutThePaddingAndRemovalHappensOnce) {
    engine::Systray tray;
    tray.RemoveFromTray();
    EXPECT_TRUE(calls.empty()) << "nothing to take away before an icon was added";
    int32_t window = 1;
    std::string tip = "Orvane ";
    tray.AddToTray(window, tip);
    EXPECT_EQ(tray.record().szTip, "Orvane" + std::string(58, ' '));
    tray.RemoveFromTray();
    tray.RemoveFromTray();
    EXPECT_EQ(calls, (std::vector<Shown>{{true, "Orvane"}, {false, "Orvane"}}));
}

TEST_F(SystrayTest, WithoutAProgramNothingShowsAndNothingFails) {
    const engine::HostHooksInPlace no_program({});
    engine::Systray tray;
    int32_t window = 1;
    std::string tip = "tip";
    EXPECT_NO_THROW(tray.AddToTray(window, tip));
    EXPECT_NO_THROW(tray.RemoveFromTray());
}

TEST_F(SystrayTest, ThePageGetsTheTipBeforeTheIconFlag) {
    tavrin_test::RecordingStage stage;
    app::show_engine_tray_icon(stage, true, "Tavrin");
    app::show_engine_tray_icon(stage, false, "Tavrin");
    std::vector<std::string> sets;
    for (const auto& set : stage.sets())
        if (set.movie == app::kTrayMovie) sets.push_back(set.name + "=" + set.value);
    EXPECT_EQ(sets, (std::vector<std::string>{"tip=Tavrin", "icon=1", "tip=Tavrin", "icon=0"}));
}

class SplashTest : public tavrin_test::ProgramTest {};

TEST_F(SplashTest, TheMainWindowShowsTheSkinsSplashWhenItOpens) {
    EXPECT_EQ(stage.loaded(app::kSplashMovie), "");
    program.start();
    ASSERT_TRUE(stage.window_visible(app::kMainMovie)) << "a machine without profiles opens the main window at once";
    EXPECT_EQ(stage.loaded(app::kSplashMovie), "splash.spl");
    EXPECT_TRUE(stage.window_visible(app::kSplashMovie));
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(TAVRIN_SKIN_DIR) / "splash.spl"));
}

}  // namespace
