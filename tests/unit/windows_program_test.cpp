// Windows programs of the machine: the settings buttons of the booster screen, the updater, and
// Wine running a program for a Wine prefix between a flush of our registry and a reload of its.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/kernel/windows_program.h"
#include "app/texts/fill_in.h"
#include "engine/foundation/cregistry.h"
#include "platform/shell/wine_program.h"
#include "tests/unit/support/program_fixture.h"
#include "tests/unit/support/wine_prefix.h"

namespace {

using tavrin_test::ProgramTest;

const char* const kSettingsButtons[] = {"IDC_FS_INTERNET SETTINGS", "IDC_FS_SYSTEM PROPERTIES", "IDC_FS_MODEM SETTINGS",
                                        "IDC_FS_NETWORK SETTINGS"};

class WindowsProgramTest : public ProgramTest {
protected:
    // A new prefix as Wine sets one up on first use, made the current machine; nullptr where Wine
    // cannot run. Its wineserver has ended when this returns.
    platform::Machine* open_wine_prefix() {
        std::string why_not;
        wine_prefix_ = tavrin_test::WinePrefix::make(why_not);
        if (!wine_prefix_) return nullptr;
        opened_ = platform::Machine::open(wine_prefix_->dir());
        current_.emplace(*opened_);
        return platform::shell::wine_runs(*opened_) ? opened_.get() : nullptr;
    }

    std::string value_of(const std::string& key, const std::string& name) {
        engine::cRegistry registry;
        return registry.ValueEx(engine::HKEY_CURRENT_USER, key, name, engine::REG_SZ, "missing").to_text();
    }

private:
    std::unique_ptr<tavrin_test::WinePrefix> wine_prefix_;
    std::unique_ptr<platform::Machine> opened_;
    std::optional<platform::CurrentMachineScope> current_;
};

TEST_F(WindowsProgramTest, SettingsButtonsSayWhereTheSettingLivesOnAMachineWineDoesNotRun) {
    program.start();
    ASSERT_FALSE(platform::shell::wine_runs(machine())) << "the sandbox machine is not a Wine prefix";
    for (const char* button : kSettingsButtons) {
        stage.will_press(text("msg18"));
        command(button);
    }
    ASSERT_EQ(stage.boxes().size(), 4u);
    for (const auto& box : stage.boxes()) {
        EXPECT_EQ(box.title, text("msg91"));
        EXPECT_EQ(box.message, text("msg90"));
    }
    EXPECT_FALSE(stage.unanswered_script()) << "each notice was answered and closed";
}

TEST_F(WindowsProgramTest, TheUpdaterAndTheWebSiteSayWhyThereIsNothingToOpen) {
    program.start();
    stage.will_press(text("msg18"));
    command("IDC_FS_CHECKUPDATES");
    stage.will_press(text("msg18"));
    command("IDC_FS_WEBSITE");
    ASSERT_EQ(stage.boxes().size(), 2u);
    EXPECT_EQ(stage.boxes()[0].message, text("msg92"));
    EXPECT_EQ(stage.boxes()[1].message, text("msg93"));
    EXPECT_TRUE(stage.opened_urls().empty());
}

TEST_F(WindowsProgramTest, WineIsRefusedForAMachineThatIsNoWinePrefix) {
    EXPECT_THROW(platform::shell::run_under_wine(machine(), {"reg.exe", "query", "HKCU"}), platform::shell::WineError);
}

// One prefix for the slow part: Wine sets a prefix up in seconds, not milliseconds.
TEST_F(WindowsProgramTest, WineSeesOurChangesAndWeSeeWinesAndAMissingAppletIsExplained) {
    auto* prefix = open_wine_prefix();
    if (!prefix) GTEST_SKIP() << "Wine cannot set up a prefix here (Debian packages wine, wine64)";
    const std::string key = "Software\\TavrinWineTest";
    engine::cRegistry registry;
    registry.ValueEx(engine::HKEY_CURRENT_USER, key, "ours", engine::REG_SZ, std::string(), std::string("1"));

    // Our value, not yet on disk, is what Wine's reg.exe finds; its own value is ours after the run.
    EXPECT_EQ(platform::shell::run_under_wine(*prefix, {"reg.exe", "query", "HKCU\\" + key, "/v", "ours"}), 0);
    EXPECT_EQ(platform::shell::run_under_wine(
                  *prefix, {"reg.exe", "add", "HKCU\\" + key, "/v", "theirs", "/d", "2", "/f"}),
              0);
    EXPECT_EQ(value_of(key, "theirs"), "2");
    EXPECT_EQ(value_of(key, "ours"), "1");

    // A program that fails under Wine is reported in the session's language.
    program.start();
    command("IDC_FS_LANGUAGE", "Deutsch");
    EXPECT_FALSE(app::run_windows_program(shell(), {"reg.exe", "query", "HKCU\\Software\\TavrinNoSuchKey"}));
    EXPECT_EQ(stage.get_variable(app::kLogMovie, "_root.LogFile"), app::fill_in(text("msg476"), {"reg.exe", "1"}));

    // Wine brings no modem applet: the button explains instead of failing silently.
    ASSERT_FALSE(platform::shell::has_system_file(*prefix, "modem.cpl"));
    stage.will_press(text("msg18"));
    command("IDC_FS_MODEM SETTINGS");
    ASSERT_EQ(stage.boxes().size(), 1u);
    EXPECT_EQ(stage.boxes()[0].message, text("msg90"));
}

}  // namespace
