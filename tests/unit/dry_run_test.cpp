// The dry run: the destructive operations check as for real, record what they would remove and
// change nothing, so a preview lists exactly what the run then removes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/demo/demo_traces.h"
#include "app/features/shredder/shredder_commands.h"
#include "engine/catalogue/cleaning_catalogue.h"
#include "engine/foundation/class_table.h"
#include "engine/plugins/plugins.h"
#include "platform/machine/machine.h"
#include "platform/text/bar_list.h"
#include "tests/unit/support/extra_drive.h"
#include "tests/unit/support/folder_snapshot.h"
#include "tests/unit/support/program_fixture.h"
#include "tests/unit/support/scoped_env.h"

namespace {

namespace stdfs = std::filesystem;
using platform::Recording;
using platform::RemovalLog;
using platform::Removed;
using platform::RemovedKind;
using tavrin_test::changes;
using tavrin_test::snapshot;

std::string describe(const std::vector<Removed>& list) {
    std::string text;
    for (const auto& removed : list)
        text += removed.group + " " + std::string(platform::kind_name(removed.kind)) + " " + removed.path + " " +
                std::to_string(removed.size) + "\n";
    return text;
}

size_t count_kind(const std::vector<Removed>& list, RemovedKind kind) {
    size_t count = 0;
    for (const auto& removed : list) count += removed.kind == kind;
    return count;
}

class DryRunTest : public tavrin_test::MachineTest {
protected:
    platform::fs::FileSystem& files() { return machine().files(); }
    bool on_disk(const std::string& windows_path) { return stdfs::exists(stdfs::symlink_status(temp.host(windows_path))); }

    // The same work twice: first as a dry run, which must leave every byte as it was, then for
    // real; both lists are returned.
    template <class Work>
    std::pair<std::vector<Removed>, std::vector<Removed>> dry_then_real(Work work) {
        machine().flush();
        const auto before = snapshot(temp.dir());
        Recording preview(machine(), RemovalLog::Mode::DryRun);
        work();
        auto would = preview.finish();
        EXPECT_EQ(changes(before, snapshot(temp.dir())), "");
        Recording run(machine(), RemovalLog::Mode::Record);
        work();
        return {would, run.finish()};
    }
};

TEST_F(DryRunTest, ATreeIsListedFileByFileAndFolderByFolderAndOnlyTheRealRunRemovesIt) {
    temp.write_file("C:\\trash\\a.txt", "abc");
    temp.write_file("C:\\trash\\deep\\b.dat", "12345");
    temp.write_file("C:\\trash\\deep\\deeper\\c.log", "");
    auto [would, did] = dry_then_real([&] { files().delete_tree("C:\\trash"); });
    EXPECT_EQ(describe(would), describe(did));
    ASSERT_EQ(would.size(), 6u) << describe(would);
    EXPECT_EQ(count_kind(would, RemovedKind::File), 3u);
    EXPECT_EQ(count_kind(would, RemovedKind::Folder), 3u);
    EXPECT_EQ(would.back(), (Removed{RemovedKind::Folder, "C:\\trash", 0, ""}));
    uint64_t bytes = 0;
    for (const auto& removed : would) bytes += removed.size;
    EXPECT_EQ(bytes, 8u);
    EXPECT_FALSE(on_disk("C:\\trash"));
}

TEST_F(DryRunTest, LaterStepsOfTheSameDryRunFindWhatItRemovedGone) {
    temp.write_file("C:\\box\\one.txt", "1");
    temp.write_file("C:\\box\\two.txt", "22");
    Recording preview(machine(), RemovalLog::Mode::DryRun);
    files().delete_file("C:\\box\\one.txt");
    EXPECT_FALSE(files().exists("C:\\box\\one.txt"));
    EXPECT_FALSE(files().file_size("C:\\BOX\\ONE.TXT"));
    EXPECT_EQ(files().find("C:\\box\\*.txt").size(), 1u);
    auto folder = files().open_folder("C:\\box");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->entries().size(), 1u);
    try {
        files().delete_file("C:\\box\\one.txt");
        ADD_FAILURE() << "a file the dry run removed was removed twice";
    } catch (const platform::fs::FsError& error) {
        EXPECT_EQ(error.code(), platform::fs::error::FileNotFound);
    }
    // A folder is empty once the dry run has removed all it holds, and not before.
    EXPECT_THROW(files().remove_directory("C:\\box"), platform::fs::FsError);
    folder->delete_file("two.txt");
    files().remove_directory("C:\\box");
    EXPECT_FALSE(files().is_directory("C:\\box"));
    const auto would = preview.finish();
    EXPECT_EQ(would.size(), 3u) << describe(would);
    EXPECT_TRUE(on_disk("C:\\box\\one.txt"));
    EXPECT_TRUE(on_disk("C:\\box\\two.txt"));
    // Once the preview is over, the files are there again for everyone.
    EXPECT_TRUE(files().exists("C:\\box\\one.txt"));
}

// Only a folder or a link can have entries below it; a link is removed as the entry it is (a
// file without bytes), and what was reached through it must read as gone too.
TEST_F(DryRunTest, WhatLayBelowARemovedFolderOrLinkReadsAsGone) {
    temp.write_file("C:\\target\\t.txt", "t");
    temp.write_file("C:\\box\\inner\\deep.txt", "deep");
    temp.write_file("C:\\box\\a.txt", "a");
    std::filesystem::create_directory_symlink("../target", temp.host("C:\\box\\link"));
    Recording preview(machine(), RemovalLog::Mode::DryRun);
    ASSERT_TRUE(files().exists("C:\\box\\link\\t.txt"));
    files().delete_file("C:\\box\\link");
    files().delete_file("C:\\box\\a.txt");
    files().delete_tree("C:\\box\\inner");
    EXPECT_FALSE(files().exists("C:\\box\\link\\t.txt"));
    EXPECT_FALSE(files().exists("C:\\BOX\\A.TXT"));
    EXPECT_FALSE(files().exists("C:\\box\\Inner\\deep.txt"));
    EXPECT_TRUE(files().exists("C:\\target\\t.txt"));
    const auto would = preview.finish();
    EXPECT_EQ(would.size(), 4u) << describe(would);
    EXPECT_TRUE(on_disk("C:\\box\\inner\\deep.txt"));
}

TEST_F(DryRunTest, RefusalsAreTheSameAsForReal) {
    temp.write_file("C:\\keep\\a.txt", "a");
    temp.write_file("C:\\keep\\b.txt", "b");
    stdfs::permissions(temp.host("C:\\keep\\b.txt"), stdfs::perms::owner_read);
    const std::string outside = tavrin_test::add_drive(temp, 'D');
    // The drive's folder replaced by a link out of the machine: changes there are refused.
    const auto elsewhere = stdfs::temp_directory_path() / ("tavrin-dry-run-" + temp.dir().filename().string());
    stdfs::create_directories(elsewhere);
    std::ofstream(elsewhere / "x.txt") << "x";
    stdfs::remove(temp.dir() / "dosdevices" / "d:");
    stdfs::create_directory_symlink(elsewhere, temp.dir() / "dosdevices" / "d:");
    temp.reopen();

    auto [would, did] = dry_then_real([&] {
        // Not forced: the read-only file stops the tree after what came before it.
        EXPECT_THROW(files().delete_tree("C:\\keep"), platform::fs::FsError);
        EXPECT_THROW(files().delete_file("D:\\x.txt"), platform::fs::FsError);
        EXPECT_THROW(files().delete_file("C:\\keep\\b.txt"), platform::fs::FsError);
        EXPECT_THROW(files().delete_tree("C:\\"), platform::fs::FsError);
    });
    EXPECT_EQ(describe(would), describe(did));
    EXPECT_EQ(would, (std::vector<Removed>{{RemovedKind::File, "C:\\keep\\a.txt", 1, ""}}));
    EXPECT_TRUE(stdfs::exists(elsewhere / "x.txt"));
    stdfs::remove_all(elsewhere);
}

TEST_F(DryRunTest, WritesOfADryRunReachNoFile) {
    temp.write_file("C:\\data\\secret.txt", "secret");
    Recording preview(machine(), RemovalLog::Mode::DryRun);
    {
        auto file = files().open("C:\\data\\secret.txt", platform::fs::File::Mode::WriteInPlace);
        const std::string pattern = "XXXXXXXXXXXX";
        file.write_at(0, {reinterpret_cast<const uint8_t*>(pattern.data()), pattern.size()});
        EXPECT_EQ(file.size(), pattern.size());
        file.sync();
        file.close();
    }
    files().open("C:\\data\\new.txt", platform::fs::File::Mode::CreateAlways).close();
    files().write_text("C:\\data\\other.txt", "text");
    files().set_attributes("C:\\data\\secret.txt", platform::fs::attr::ReadOnly);
    files().create_directory("C:\\data\\sub");
    files().copy_file("C:\\data\\secret.txt", "C:\\data\\copy.txt");
    // A file the dry run "made" and removed again is its own business, not a trace.
    files().delete_file("C:\\data\\new.txt");
    EXPECT_TRUE(preview.finish().empty());
    EXPECT_EQ(files().read_text("C:\\data\\secret.txt"), "secret");
    EXPECT_EQ(files().find("C:\\data\\*").size(), 3u);  // ".", ".." and secret.txt
    EXPECT_FALSE(*files().attributes("C:\\data\\secret.txt") & platform::fs::attr::ReadOnly);
}

TEST_F(DryRunTest, RegistryDeletionsAreListedWithTheirDataAndDroppedAfterTheDryRun) {
    auto& reg = machine().registry();
    using platform::registry::Root;
    reg.create_key(Root::CurrentUser, "Software\\Trace\\Sub");
    const std::string value = "abc";
    reg.set_value(Root::CurrentUser, "Software\\Trace\\Sub", "v", platform::registry::type::Sz,
                  {reinterpret_cast<const uint8_t*>(value.c_str()), value.size() + 1});
    reg.set_value(Root::CurrentUser, "Software\\Trace", "w", platform::registry::type::Binary,
                  {reinterpret_cast<const uint8_t*>(value.data()), 2});
    auto [would, did] = dry_then_real([&] {
        reg.delete_value(Root::CurrentUser, "Software\\Trace", "w");
        // Later steps see the key without its value, as after the real deletion.
        EXPECT_TRUE(reg.value_names(Root::CurrentUser, "Software\\Trace").empty());
        reg.delete_key(Root::CurrentUser, "Software\\Trace\\Sub");
        reg.delete_key(Root::CurrentUser, "Software\\Trace");
        machine().flush();
    });
    EXPECT_EQ(would, did);
    EXPECT_EQ(would, (std::vector<Removed>{{RemovedKind::Value, "HKEY_CURRENT_USER\\Software\\Trace\\w", 2, ""},
                                           {RemovedKind::Key, "HKEY_CURRENT_USER\\Software\\Trace\\Sub", 4, ""},
                                           {RemovedKind::Key, "HKEY_CURRENT_USER\\Software\\Trace", 0, ""}}));
    temp.reopen();
    EXPECT_FALSE(machine().registry().key_exists(Root::CurrentUser, "Software\\Trace"));
}

TEST_F(DryRunTest, AFileARecordedRunMakesAndRemovesIsNotCountedAsRemoved) {
    temp.write_file("C:\\old.txt", "old");
    Recording run(machine(), RemovalLog::Mode::Record);
    files().open("C:\\fill.tmp", platform::fs::File::Mode::CreateAlways).close();
    files().delete_file("C:\\fill.tmp");
    files().delete_file("C:\\old.txt");
    EXPECT_EQ(run.finish(), (std::vector<Removed>{{RemovedKind::File, "C:\\old.txt", 3, ""}}));
}

// The log's paths are Windows paths: any case, any script, a folder with or without its final
// backslash, and a drive's root holds the whole drive.
TEST(RemovalLogPaths, WhatWentIsFoundUnderAnySpellingOfItsPath) {
    RemovalLog log;
    log.start(RemovalLog::Mode::DryRun);
    log.mark_gone("C:\\Users\\Änne\\Temporary Internet Files\\Cookie.txt", /*may_hold_entries=*/false);
    EXPECT_TRUE(log.gone("c:\\users\\änne\\temporary internet files\\COOKIE.TXT"));
    EXPECT_TRUE(log.gone("C:\\USERS\\ÄNNE\\Temporary Internet Files\\cookie.txt"));
    EXPECT_FALSE(log.gone("c:\\users\\anne\\temporary internet files\\cookie.txt"));
    EXPECT_FALSE(log.gone("c:\\users\\änne\\temporary internet files\\cookie.txt\\below"));
    EXPECT_FALSE(log.gone("c:\\users\\änne\\temporary internet files\\cookie.tx"));

    log.mark_gone("C:\\Users\\Änne\\Öffentlich\\");
    EXPECT_TRUE(log.gone("c:\\users\\änne\\ÖFFENTLICH"));
    EXPECT_TRUE(log.gone("c:\\users\\änne\\öffentlich\\Bilder\\a.jpg"));
    EXPECT_FALSE(log.gone("c:\\users\\änne\\öffentlich2\\a.jpg"));
    EXPECT_FALSE(log.gone("c:\\users\\änne"));

    log.mark_gone("D:\\");
    EXPECT_TRUE(log.gone("d:\\anything\\at all"));
    EXPECT_FALSE(log.gone("e:\\anything"));

    log.mark_created("C:\\Fill\\Ünused.TMP");
    EXPECT_FALSE(log.take_created("c:\\fill\\unused.tmp"));
    EXPECT_TRUE(log.take_created("c:\\fill\\ünused.tmp"));
    EXPECT_FALSE(log.take_created("C:\\Fill\\Ünused.TMP")) << "taken once, then forgotten";

    log.note_length_before_writing("C:\\Shred\\Größe.bin", 4096);
    EXPECT_EQ(log.length_before_writing("c:\\shred\\GRÖSSE.bin", 7), 7u) << "ß is not ss to Windows";
    EXPECT_EQ(log.length_before_writing("c:\\SHRED\\GRÖßE.BIN", 7), 4096u);
}

// Thousands of paths, as a large preview removes them: each is found again in another case after
// the table has grown many times over, and what was never added is not.
TEST(RemovalLogPaths, ASetOfManyPathsFindsEachOnceWhateverItsCase) {
    platform::FoldedPathSet set;
    EXPECT_FALSE(set.contains("c:\\anything"));
    const auto path = [](int i, bool upper) {
        return std::string(upper ? "C:\\CACHE\\ÄB\\FILE" : "c:\\cache\\äb\\file") + std::to_string(i) + (upper ? ".GIF" : ".gif");
    };
    for (int i = 0; i < 5000; ++i) ASSERT_TRUE(set.insert(path(i, i % 2 == 0)));
    EXPECT_FALSE(set.insert(path(77, false))) << "the same path in another case is no second entry";
    EXPECT_EQ(set.size(), 5000u);
    for (int i = 0; i < 5000; ++i) ASSERT_TRUE(set.contains(path(i, i % 3 == 0))) << i;
    EXPECT_FALSE(set.contains(path(5000, false)));
    EXPECT_FALSE(set.contains("c:\\cache\\äb\\file1.gi"));
    EXPECT_FALSE(set.contains("c:\\cache\\ab\\file1.gif"));
    EXPECT_TRUE(set.insert(""));
    EXPECT_TRUE(set.contains(""));
    set.clear();
    EXPECT_TRUE(set.empty());
    EXPECT_FALSE(set.contains(path(1, false)));
    EXPECT_TRUE(set.insert(path(1, false)));
    EXPECT_TRUE(set.contains(path(1, true)));
}

// Every category of the cleaning screens on the demo traces: the preview of one machine and the
// run on a copy of it list the same removals, and the preview changes no byte.
class CategoryPreviewTest : public tavrin_test::ProgramTest {
protected:
    tavrin_test::TempMachine twin;

    std::vector<Removed> run_on(tavrin_test::TempMachine& target, RemovalLog::Mode mode, const std::string& command_name,
                                const std::string& args) {
        const platform::CurrentMachineScope current(target.machine());
        Recording recording(target.machine(), mode);
        // Every box is ticked: a category with an item that cannot be undone asks before its clean.
        const auto* category = engine::catalogue_category_of_command(command_name);
        if (mode == RemovalLog::Mode::Record && category &&
            std::ranges::any_of(category->items, [](const auto& item) { return !item.caution.empty(); }))
            stage.will_press(text("msg837"));
        command(command_name, args);
        auto list = recording.finish();
        target.machine().flush();
        return list;
    }

    std::string plugin_names() {
        std::string names;
        for (const auto& plugin : engine::create<engine::Plugins>("Plugins")->Load_Extra_plugins())
            names += plugin.Name + "|";
        return names;
    }
};

TEST_F(CategoryPreviewTest, ThePreviewOfEachCategoryIsWhatTheRunOnACopyRemoves) {
    tavrin_test::ScopedEnv no_x("DISPLAY", std::nullopt), no_wayland("WAYLAND_DISPLAY", std::nullopt);
    {
        const platform::CurrentMachineScope original(machine());  // the twin made itself current
        program.start();
        app::demo::plant_demo_traces();
        machine().flush();
    }
    stdfs::remove_all(twin.dir());
    stdfs::copy(temp.dir(), twin.dir(), stdfs::copy_options::recursive | stdfs::copy_options::copy_symlinks);
    twin.reopen();
    const auto before = snapshot(temp.dir());

    std::vector<std::pair<std::string, std::string>> runs;
    for (const auto& category : engine::cleaning_catalogue()) {
        std::string every_tick;
        for (size_t i = 0; i < category.items.size(); ++i) every_tick += i ? ",1" : "1";
        runs.emplace_back(category.command, every_tick);
    }
    runs.emplace_back("IDC_FS_CLEANPLUGIN", plugin_names());

    size_t listed = 0;
    for (const auto& [command_name, args] : runs) {
        const auto would = run_on(temp, RemovalLog::Mode::DryRun, command_name, args);
        const auto did = run_on(twin, RemovalLog::Mode::Record, command_name, args);
        EXPECT_EQ(describe(would), describe(did)) << command_name;
        listed += would.size();
        for (const auto& removed : did) {
            if (removed.kind != RemovedKind::File) continue;
            EXPECT_FALSE(stdfs::exists(stdfs::symlink_status(twin.host(removed.path)))) << removed.path;
        }
    }
    EXPECT_EQ(changes(before, snapshot(temp.dir())), "");
    // The demo traces give every screen work; a preview that lists nothing proves nothing.
    EXPECT_GT(listed, 30u);
}

// The shredder's lists: what their preview runs (the list's procedure over a dry run, without the
// question) is what the Shred button then removes on a copy of the machine, item by item.
TEST_F(CategoryPreviewTest, TheShredderListsPreviewIsWhatTheShredOnACopyRemoves) {
    {
        const platform::CurrentMachineScope original(machine());  // the twin made itself current
        program.start();
    }
    temp.write_file("C:\\work\\letter.doc", std::string(3000, 'l'));
    temp.write_file("C:\\work\\old\\a.txt", "aaaa");
    temp.write_file("C:\\work\\old\\sub\\b.txt", "bb");
    temp.write_file("C:\\work\\old\\sub\\empty.txt", "");
    machine().flush();
    stdfs::remove_all(twin.dir());
    stdfs::copy(temp.dir(), twin.dir(), stdfs::copy_options::recursive | stdfs::copy_options::copy_symlinks);
    twin.reopen();
    const auto before = snapshot(temp.dir());

    const std::pair<std::string, std::string> lists[] = {
        {"IDC_FS_SHREDFILES", "|C:\\work\\letter.doc|C:\\work\\missing.txt|"}, {"IDC_FS_SHREDFOLDERS", "|C:\\work\\old|"}};
    for (const auto& [command_name, list] : lists) {
        std::vector<Removed> would;
        {
            const platform::CurrentMachineScope original(machine());
            Recording preview(machine(), RemovalLog::Mode::DryRun);
            app::shred_list_of(command_name)(shell(), platform::text::trim_bars(list));
            would = preview.finish();
        }
        stage.will_press(text("msg20"));
        stage.will_press(text("msg18"));
        const auto did = run_on(twin, RemovalLog::Mode::Record, command_name, list);
        EXPECT_EQ(describe(would), describe(did)) << command_name;
        EXPECT_FALSE(did.empty()) << command_name;
    }
    EXPECT_FALSE(stdfs::exists(twin.host("C:\\work\\letter.doc")));
    EXPECT_FALSE(stdfs::exists(twin.host("C:\\work\\old")));
    EXPECT_EQ(changes(before, snapshot(temp.dir())), "");
}

TEST_F(CategoryPreviewTest, TheInternetExplorerPreviewIsGroupedByItem) {
    const platform::CurrentMachineScope original(machine());  // the twin made itself current
    program.start();
    app::demo::plant_demo_traces();
    const auto would = run_on(temp, RemovalLog::Mode::DryRun, "IDC_FS_IE", "1,0,1,1,1,1");
    std::map<std::string, size_t> per_item;
    for (const auto& removed : would) ++per_item[removed.group];
    EXPECT_GT(per_item["ie.typed-urls"], 0u) << describe(would);
    EXPECT_GT(per_item["ie.cache"], 0u) << describe(would);
    EXPECT_GT(per_item["ie.cookies"], 0u) << describe(would);
    EXPECT_EQ(per_item.count("ie.autocomplete"), 0u);
    // The cookie files, and the records of the cookie index that name their sites.
    std::map<RemovedKind, size_t> cookie_kinds;
    for (const auto& removed : would) {
        if (removed.group != "ie.cookies") continue;
        ++cookie_kinds[removed.kind];
        if (removed.kind == RemovedKind::CacheEntry) {
            EXPECT_TRUE(removed.path.starts_with("Cookie:")) << removed.path;
        }
    }
    EXPECT_GT(cookie_kinds[RemovedKind::File], 0u);
    EXPECT_EQ(cookie_kinds[RemovedKind::CacheEntry], cookie_kinds[RemovedKind::File]);
    EXPECT_EQ(cookie_kinds.size(), 2u);
}

}  // namespace
