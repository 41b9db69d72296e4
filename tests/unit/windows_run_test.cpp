// The Windows run and its command, driven as the page drives them, on a real temporary machine:
// which position calls which member, how the option list is read, and what the log window shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/demo/windows_traces.h"
#include "app/windows/log_window.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using platform::registry::Root;

constexpr const char* kRegEdit = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
constexpr const char* kRunMRU = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
constexpr const char* kPaint = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List";

// 21 positions, the given ones ticked with "1".
std::string ticking(std::initializer_list<size_t> ticked) {
    std::vector<std::string> flags(21, "0");
    for (size_t position : ticked) flags[position] = "1";
    std::string list;
    for (const auto& flag : flags) list += (list.empty() ? "" : ",") + flag;
    return list;
}

class WindowsRunTest : public tavrin_test::ProgramTest {
protected:
    void SetUp() override {
        program.start();
        app::demo::plant_windows_traces();
    }
    bool has_key(const std::string& key) { return machine().registry().key_exists(Root::CurrentUser, key); }
    std::vector<std::string> log_lines() { return stage.values_of(app::kLogMovie, "_root.LogFile"); }
};

// Positions 18 and 19 both clean the registry editor's history; 13 is the Run dialog.
TEST_F(WindowsRunTest, EachPositionCallsItsMember) {
    command("IDC_FS_WIN", ticking({19}));
    EXPECT_FALSE(has_key(kRegEdit));
    EXPECT_TRUE(has_key(kRunMRU));
    EXPECT_TRUE(has_key(kPaint));

    app::demo::plant_windows_traces();
    command("IDC_FS_WIN", ticking({18}));
    EXPECT_FALSE(has_key(kRegEdit));
    EXPECT_TRUE(has_key(kRunMRU));

    command("IDC_FS_WIN", ticking({13, 10}));
    EXPECT_FALSE(has_key(kRunMRU));
    EXPECT_FALSE(has_key(kPaint));
}

// Only a trimmed "1" or "true" ticks; a short list leaves the missing positions unticked.
TEST_F(WindowsRunTest, OnlyTrimmedOneOrTrueTicksAndMissingPositionsAreNotTicked) {
    command("IDC_FS_WIN", "0,0,0,0,0,0,0,0,0,0,TRUE,yes,0, 1 ");
    EXPECT_TRUE(has_key(kPaint));
    EXPECT_FALSE(has_key(kRunMRU));
    EXPECT_TRUE(has_key(kRegEdit));

    command("IDC_FS_WIN", "0,0,0,0,0,0,0,0,0,0,true");
    EXPECT_FALSE(has_key(kPaint));
    EXPECT_TRUE(has_key(kRegEdit));
}

// Nothing ticked: nothing changes and the log window shows only the completion text.
TEST_F(WindowsRunTest, NothingTickedChangesNothing) {
    command("IDC_FS_WIN", ticking({}));
    EXPECT_TRUE(has_key(kRegEdit));
    EXPECT_TRUE(has_key(kRunMRU));
    EXPECT_EQ(log_lines(), std::vector<std::string>{text("msg4") + ": nothing was removed"});
}

// The log window opens with its view button off, shows each deletion as it happens, and ends
// with the completion text and the button on.
TEST_F(WindowsRunTest, TheLogWindowFollowsTheRun) {
    command("IDC_FS_WIN", ticking({0, 10}));
    EXPECT_TRUE(stage.window_visible(app::kLogMovie));
    auto view_button = stage.values_of(app::kLogMovie, "_root.ViewLogBtn");
    ASSERT_GE(view_button.size(), 2u);
    EXPECT_EQ(view_button.front(), "0");
    EXPECT_EQ(view_button.back(), "1");
    EXPECT_EQ(std::count(view_button.begin(), view_button.end(), "1"), 1);
    auto lines = log_lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_TRUE(lines.back().starts_with(text("msg4") + ": ")) << lines.back();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "~DF3A21.tmp"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), std::string("HKEY_CURRENT_USER\\") + kPaint + "\\File1"), lines.end());
    // The temporary files come before Paint's list, as their positions do.
    EXPECT_LT(std::find(lines.begin(), lines.end(), "~DF3A21.tmp"),
              std::find(lines.begin(), lines.end(), std::string("HKEY_CURRENT_USER\\") + kPaint));
}

}  // namespace
