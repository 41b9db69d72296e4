// The Preview button of the cleaning screens, driven as the page drives it, and the totals that
// both the preview and a real clean's completion line give.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/demo/ie_traces.h"
#include "app/kernel/removal_report.h"
#include "app/texts/fill_in.h"
#include "tests/unit/support/folder_snapshot.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using platform::Removed;
using platform::RemovedKind;

class PreviewTest : public tavrin_test::ProgramTest {
protected:
    void SetUp() override {
        program.start();
        app::demo::plant_ie_traces();
        machine().flush();
    }
    std::vector<std::string> log_lines() { return stage.values_of(app::kLogMovie, "_root.LogFile"); }
    bool logged(const std::string& part) {
        const auto lines = log_lines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.find(part) != std::string::npos; });
    }
};

TEST_F(PreviewTest, ThePreviewListsEachItemWithSizesAndTotalsAndTheCleanReportsTheSameTotals) {
    const auto before = tavrin_test::snapshot(temp.dir());
    command("IDC_FS_PREVIEW", "IDC_FS_IE|1,0,1,1,1,1");
    machine().flush();
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(temp.dir())), "");

    const auto preview = log_lines();
    ASSERT_GE(preview.size(), 3u);
    EXPECT_EQ(preview.front(), text("msg400"));
    // The run's own lines ("shredded ...") would tell of removals that did not happen.
    EXPECT_FALSE(logged(text("msg16")));
    EXPECT_TRUE(logged("ie.typed-urls: 3 " + text("msg405").substr(text("msg405").find('|') + 1)));
    EXPECT_TRUE(logged("ie.cookies: "));
    EXPECT_TRUE(logged("TypedURLs\\url1  ("));
    const std::string in_all_prefix = app::fill_in(text("msg407"), {""});
    ASSERT_TRUE(preview.back().starts_with(in_all_prefix)) << preview.back();
    const std::string totals = preview.back().substr(in_all_prefix.size());
    EXPECT_NE(totals, text("msg401"));

    stage.will_press(text("msg837"));  // the download folder asks first
    command("IDC_FS_IE", "1,0,1,1,1,1");
    const auto run = log_lines();
    EXPECT_EQ(run.back(), app::fill_in(text("msg408"), {text("msg4"), totals}));
    // The real run's own lines are back.
    EXPECT_TRUE(std::any_of(run.begin() + static_cast<std::ptrdiff_t>(preview.size()), run.end(),
                            [](const std::string& line) { return line.find("url1") != std::string::npos; }));

    // Nothing left: the next preview says so.
    command("IDC_FS_PREVIEW", "IDC_FS_IE|1,0,1,1,1,1");
    EXPECT_EQ(log_lines().back(), app::fill_in(text("msg407"), {text("msg401")}));
}

TEST_F(PreviewTest, OnlyCleanCommandsArePreviewed) {
    const auto before = tavrin_test::snapshot(temp.dir());
    command("IDC_FS_PREVIEW", "IDC_FS_DELETE|C:\\");
    command("IDC_FS_PREVIEW", "IDC_FS_CLOSE|");
    command("IDC_FS_PREVIEW", "");
    EXPECT_TRUE(log_lines().empty());
    EXPECT_FALSE(shell().ending());
    machine().flush();
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(temp.dir())), "");
    // Any case and blanks around the name, as the dispatcher takes commands.
    command("IDC_FS_PREVIEW", " idc_fs_ie |0,0,0,0,0,1");
    EXPECT_TRUE(logged("ie.cookies: "));
}

// The shredder's lists: previewed without the question a shred asks and without telling the page
// its list is done with; each listed file or folder is an item with its sizes, and nothing changes.
TEST_F(PreviewTest, TheShredderListsArePreviewedWithoutTheirQuestionAndTheScreenKeepsItsLists) {
    temp.write_file("C:\\work\\letter.doc", std::string(1500, 'l'));
    temp.write_file("C:\\work\\old\\a.txt", "aaaa");
    temp.write_file("C:\\work\\old\\sub\\b.txt", "bb");
    machine().flush();
    const auto before = tavrin_test::snapshot(temp.dir());
    const size_t boxes_before = stage.boxes().size();

    command("IDC_FS_PREVIEW", "IDC_FS_SHREDFILES||C:\\work\\letter.doc|");
    EXPECT_TRUE(logged(text("msg700")));
    EXPECT_TRUE(logged("C:\\work\\letter.doc: 1 "));
    EXPECT_TRUE(logged("C:\\work\\letter.doc  (1.5 KB)"));
    command("IDC_FS_PREVIEW", "IDC_FS_SHREDFOLDERS|C:\\work\\old");
    const auto lines = log_lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(logged("C:\\work\\old\\sub\\b.txt  (2 B)"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "    C:\\work\\old\\sub"), lines.end());
    EXPECT_EQ(lines.back(), app::fill_in(text("msg407"), {"2 files, 2 folders, 6 B"}));

    EXPECT_EQ(stage.boxes().size(), boxes_before) << "a preview asks nothing";
    EXPECT_TRUE(stage.values_of(app::kMainMovie, "shred_SFI_Now").empty());
    EXPECT_TRUE(stage.values_of(app::kMainMovie, "shred_SFO_Now").empty());
    machine().flush();
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(temp.dir())), "");
}

TEST(RemovalReport, SizesReadAsAUserExpectsThem) {
    EXPECT_EQ(app::human_size(0), "0 B");
    EXPECT_EQ(app::human_size(1023), "1023 B");
    EXPECT_EQ(app::human_size(1024), "1.0 KB");
    EXPECT_EQ(app::human_size(1536), "1.5 KB");
    EXPECT_EQ(app::human_size(5ull << 20), "5.0 MB");
    EXPECT_EQ(app::human_size(3ull << 40), "3.0 TB");
    EXPECT_EQ(app::human_size(5000ull << 40), "5000.0 TB");
}

TEST(RemovalReport, TotalsCountEachKindAndTheBytes) {
    const std::vector<Removed> removed = {{RemovedKind::File, "C:\\a", 100, "x"},
                                          {RemovedKind::File, "C:\\b", 1000, "x"},
                                          {RemovedKind::Folder, "C:\\d", 0, "x"},
                                          {RemovedKind::Value, "HKEY_CURRENT_USER\\k\\v", 24, "y"},
                                          {RemovedKind::CacheEntry, "http://a/", 0, "y"},
                                          {RemovedKind::HistoryEntry, "http://b/", 0, "y"}};
    EXPECT_EQ(app::totals_of(removed), (app::RemovalTotals{2, 1, 0, 1, 2, 1124}));
}

}  // namespace
