// Deletes run several at a time: each is finished in the order it was started, with the outcome a
// plain delete of that file has, and recorded (or in a dry run only recorded) as one would be.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/machine/machine.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace stdfs = std::filesystem;
namespace attr = platform::fs::attr;
using platform::RemovalLog;
using platform::Removed;
using platform::RemovedKind;
using platform::fs::ConcurrentDeletes;

class ConcurrentDeletesTest : public tavrin_test::MachineTest {
protected:
    platform::fs::FileSystem& files() { return machine().files(); }
    bool on_disk(const std::string& windows_path) { return stdfs::exists(stdfs::symlink_status(temp.host(windows_path))); }

    // Starts the deletes as far ahead as there is room and finishes them one by one, as a walk
    // does: "ok" or the error code of each, in the order of `names`.
    std::vector<std::string> delete_all(platform::fs::Folder& folder, const std::vector<std::string>& names) {
        ConcurrentDeletes deletes;
        std::vector<std::string> outcomes;
        size_t started = 0;
        for (size_t finished = 0; finished < names.size(); ++finished) {
            for (; started < names.size() && deletes.has_room(); ++started) deletes.start(folder, names[started]);
            try {
                deletes.finish_oldest();
                outcomes.push_back("ok");
            } catch (const platform::fs::FsError& error) {
                outcomes.push_back("error " + std::to_string(error.code()));
            }
        }
        return outcomes;
    }
};

TEST_F(ConcurrentDeletesTest, EachDeleteFinishesInItsPlaceWithTheOutcomeOfAPlainDelete) {
    std::vector<std::string> names;
    std::vector<std::string> expected;
    for (int i = 0; i < 60; ++i) {
        names.push_back("f" + std::to_string(i) + ".txt");
        temp.write_file("C:\\box\\" + names.back(), std::string(static_cast<size_t>(i), 'x'));
        expected.push_back("ok");
    }
    files().set_attributes("C:\\box\\f7.txt", attr::ReadOnly);  // not forced: refused
    expected[7] = "error " + std::to_string(platform::fs::error::AccessDenied);
    names[31] = "missing.txt";
    expected[31] = "error " + std::to_string(platform::fs::error::FileNotFound);
    names[45] = "what?.txt";
    expected[45] = "error " + std::to_string(platform::fs::error::InvalidName);
    auto folder = files().open_folder("C:\\box");
    ASSERT_TRUE(folder);

    EXPECT_EQ(delete_all(*folder, names), expected);

    EXPECT_TRUE(on_disk("C:\\box\\f7.txt"));
    EXPECT_TRUE(on_disk("C:\\box\\f31.txt"));
    EXPECT_TRUE(on_disk("C:\\box\\f45.txt"));
    EXPECT_EQ(std::distance(stdfs::directory_iterator(temp.host("C:\\box")), stdfs::directory_iterator()), 3);
}

TEST_F(ConcurrentDeletesTest, ADryRunRecordsEveryDeleteInOrderAndRemovesNothing) {
    const std::vector<std::string> names = {"one.txt", "two.txt", "three.txt"};
    for (size_t i = 0; i < names.size(); ++i) temp.write_file("C:\\box\\" + names[i], std::string(i + 1, 'y'));
    machine().flush();
    auto folder = files().open_folder("C:\\box");
    ASSERT_TRUE(folder);

    platform::Recording preview(machine(), RemovalLog::Mode::DryRun);
    EXPECT_EQ(delete_all(*folder, names), (std::vector<std::string>{"ok", "ok", "ok"}));
    const auto would = preview.finish();

    EXPECT_EQ(would, (std::vector<Removed>{{RemovedKind::File, "C:\\box\\one.txt", 1, ""},
                                           {RemovedKind::File, "C:\\box\\two.txt", 2, ""},
                                           {RemovedKind::File, "C:\\box\\three.txt", 3, ""}}));
    for (const auto& name : names) EXPECT_TRUE(on_disk("C:\\box\\" + name)) << name;
}

// A caller that stops before finishing them: the deletes already under way go through, and what
// went is recorded all the same.
TEST_F(ConcurrentDeletesTest, DeletesLeftUnfinishedStillGoAndAreRecorded) {
    const std::vector<std::string> names = {"a.txt", "b.txt", "c.txt"};
    for (const auto& name : names) temp.write_file("C:\\box\\" + name, "z");
    machine().flush();
    auto folder = files().open_folder("C:\\box");
    ASSERT_TRUE(folder);

    platform::Recording run(machine(), RemovalLog::Mode::Record);
    {
        ConcurrentDeletes deletes;
        for (const auto& name : names) deletes.start(*folder, name);
        deletes.finish_oldest();
    }
    const auto removed = run.finish();

    EXPECT_EQ(removed.size(), 3u);
    for (const auto& name : names) EXPECT_FALSE(on_disk("C:\\box\\" + name)) << name;
}

}  // namespace
