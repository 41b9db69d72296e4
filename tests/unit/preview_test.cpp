// The Preview button of the cleaning screens, driven as the page drives it, and the totals that
// both the preview and a real clean's completion line give.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/demo/ie_traces.h"
#include "app/kernel/removal_report.h"
#include "app/texts/fill_in.h"
#include "platform/text/bar_list.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/folder_snapshot.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using platform::Removed;
using platform::RemovedKind;

constexpr const char* kAutoComplete =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete\\Append Completion";

class PreviewTest : public tavrin_test::ProgramTest {
protected:
    void SetUp() override {
        program.start();
        app::demo::plant_ie_traces();
        machine().flush();
    }
    std::string last(const std::string& name) {
        const auto values = stage.values_of(app::kMainMovie, name);
        return values.empty() ? "" : values.back();
    }
    // The rows of the last preview view, each "kind<TAB>field<TAB>...".
    std::vector<std::string> rows() { return platform::text::split_bars(last("_root.NamesOfPreviewRows")); }
    bool has_row(const std::string& row) {
        const auto all = rows();
        return std::find(all.begin(), all.end(), row) != all.end();
    }
    bool has_row_starting(const std::string& start) {
        const auto all = rows();
        return std::any_of(all.begin(), all.end(), [&](const std::string& row) { return row.starts_with(start); });
    }
    std::string plural(const char* key) { return text(key).substr(text(key).find('|') + 1); }
};

TEST_F(PreviewTest, TheViewListsEachItemWithSizesSettingChangesAndTotalsAndTheCleanReportsTheSameTotals) {
    tavrin_test::set_value(engine::HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete",
                           "Append Completion", "no");
    machine().flush();
    const auto before = tavrin_test::snapshot(temp.dir());
    command("IDC_FS_PREVIEW", "IDC_FS_IE|1,0,1,1,1,1");
    machine().flush();
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(temp.dir())), "");

    // The run's own lines ("shredded ...") would tell of removals that did not happen, and the
    // list itself is the view's, not the log window's.
    EXPECT_TRUE(stage.values_of(app::kLogMovie, "_root.LogFile").empty());
    EXPECT_EQ(last("_root.PreviewHeading"), text("msg400"));
    EXPECT_EQ(last("_root.PreviewCommand"), "IDC_FS_IE|1,0,1,1,1,1");
    EXPECT_EQ(last("_root.NumberOfPreviewRows"), std::to_string(rows().size()));
    EXPECT_EQ(stage.values_of(app::kMainMovie, "_root.ShowPreviewRows").size(), 1u);
    EXPECT_TRUE(has_row_starting("item\t_root.IE_TU\tie.typed-urls\t3 " + plural("msg405") + ", "));
    EXPECT_TRUE(has_row_starting("item\t_root.IE_CO\tie.cookies\t"));
    EXPECT_TRUE(has_row_starting("file\tHKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs\\url1\t"));
    // The unticked auto-complete box switches auto-complete on: a change of its own item.
    EXPECT_TRUE(has_row("item\t_root.IE_AC\tie.autocomplete\t1 " + text("msg800").substr(0, text("msg800").find('|'))));
    EXPECT_TRUE(has_row(std::string("change\t") + kAutoComplete + "\t" + app::fill_in(text("msg801"), {"no", "yes"})));

    const std::string in_all_prefix = app::fill_in(text("msg407"), {""});
    const std::string total = last("_root.PreviewTotal");
    ASSERT_TRUE(total.starts_with(in_all_prefix)) << total;
    // The changes come last: the switch, and the start page where the screen's field differs.
    ASSERT_TRUE(total.ends_with(" " + plural("msg800")) || total.ends_with(" " + text("msg800").substr(0, text("msg800").find('|'))))
        << total;
    const std::string removals = total.substr(in_all_prefix.size(), total.rfind(", ") - in_all_prefix.size());

    // "Clean these" sends the previewed command: the clean removes what the view listed.
    const std::string previewed = last("_root.PreviewCommand");
    stage.will_press(text("msg837"));  // the download folder asks first
    command(previewed.substr(0, previewed.find('|')), previewed.substr(previewed.find('|') + 1));
    const auto run = stage.values_of(app::kLogMovie, "_root.LogFile");
    ASSERT_FALSE(run.empty());
    EXPECT_EQ(run.back(), app::fill_in(text("msg408"), {text("msg4"), removals}));
    EXPECT_TRUE(std::any_of(run.begin(), run.end(), [](const std::string& line) { return line.find("url1") != std::string::npos; }));

    // Nothing left, and auto-complete is on now: the next preview says so.
    command("IDC_FS_PREVIEW", "IDC_FS_IE|1,0,1,1,1,1");
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(last("_root.PreviewTotal"), app::fill_in(text("msg407"), {text("msg401")}));
}

TEST_F(PreviewTest, OnlyCleanCommandsArePreviewed) {
    const auto before = tavrin_test::snapshot(temp.dir());
    command("IDC_FS_PREVIEW", "IDC_FS_DELETE|C:\\");
    command("IDC_FS_PREVIEW", "IDC_FS_CLOSE|");
    command("IDC_FS_PREVIEW", "");
    EXPECT_TRUE(stage.values_of(app::kMainMovie, "_root.ShowPreviewRows").empty());
    EXPECT_FALSE(shell().ending());
    machine().flush();
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(temp.dir())), "");
    // Any case and blanks around the name, as the dispatcher takes commands.
    command("IDC_FS_PREVIEW", " idc_fs_ie |0,0,0,0,0,1");
    EXPECT_TRUE(has_row_starting("item\t_root.IE_CO\tie.cookies\t"));
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
    EXPECT_EQ(last("_root.PreviewHeading"), text("msg700"));
    EXPECT_TRUE(has_row_starting("item\t\tC:\\work\\letter.doc\t1 "));
    EXPECT_TRUE(has_row("file\tC:\\work\\letter.doc\t1.5 KB"));
    command("IDC_FS_PREVIEW", "IDC_FS_SHREDFOLDERS|C:\\work\\old");
    EXPECT_TRUE(has_row("file\tC:\\work\\old\\sub\\b.txt\t2 B"));
    EXPECT_TRUE(has_row("file\tC:\\work\\old\\sub\t"));
    EXPECT_EQ(last("_root.PreviewTotal"), app::fill_in(text("msg407"), {"2 files, 2 folders, 6 B"}));

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
