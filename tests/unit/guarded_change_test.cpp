// The guarded change of a database file: a change that leaves the file failing its check is
// undone from the copy taken before, and nothing it noted is recorded; a damaged file is not
// worked on at all.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/sqlite/guarded_change.h"
#include "tests/unit/support/removal_text.h"
#include "tests/unit/support/sqlite_cli.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using platform::sqlite::ChangeResult;

class GuardedChangeTest : public tavrin_test::MachineTest {};

TEST_F(GuardedChangeTest, AFileThatFailsItsCheckAfterTheChangeIsPutBackAndNothingIsRecorded) {
    if (!tavrin_test::sqlite3_installed()) GTEST_SKIP() << "the sqlite3 program is not installed";
    const std::string file = "C:\\data\\store.sqlite";
    temp.write_file("C:\\data\\keep.txt", "");
    tavrin_test::sqlite3_cli(
        temp.host(file), "CREATE TABLE t (a INTEGER, b TEXT); INSERT INTO t VALUES (NULL, 'first'), (2, 'second');");

    platform::Recording run(machine(), platform::RemovalLog::Mode::Record);
    const ChangeResult result = platform::sqlite::change_database(
        machine().files(), file, [](platform::sqlite::Database& db, const platform::sqlite::Note& note) {
            db.execute("DELETE FROM t WHERE a = 2");
            note(platform::RemovedKind::Record, "second");
            // The schema now says what the rows left do not keep.
            db.execute(
                "PRAGMA writable_schema = ON;"
                "UPDATE sqlite_master SET sql = 'CREATE TABLE t (a INTEGER NOT NULL, b TEXT)' WHERE name = 't';");
        });
    EXPECT_EQ(result.outcome, ChangeResult::Restored);
    EXPECT_TRUE(run.finish().empty());
    EXPECT_EQ(tavrin_test::sqlite3_cli(temp.host(file), "PRAGMA integrity_check; SELECT group_concat(b) FROM t;"),
              "ok\nfirst,second");
}

TEST_F(GuardedChangeTest, AFileWithADamagedPageIsLeftByteForByteAsItWas) {
    if (!tavrin_test::sqlite3_installed()) GTEST_SKIP() << "the sqlite3 program is not installed";
    const std::string file = "C:\\data\\damaged.sqlite";
    temp.write_file("C:\\data\\keep.txt", "");
    tavrin_test::sqlite3_cli(temp.host(file),
                             "PRAGMA page_size = 4096; CREATE TABLE t (a INTEGER, b TEXT);"
                             "INSERT INTO t VALUES (1, 'first'), (2, 'second');");
    // The table's page (the second) no longer says what kind of page it is.
    std::fstream(temp.host(file), std::ios::in | std::ios::out | std::ios::binary).seekp(4096).put('\xFF');
    const std::string before = tavrin_test::bytes_of(temp.host(file));

    bool changed = false;
    const ChangeResult result = platform::sqlite::change_database(
        machine().files(), file, [&](platform::sqlite::Database&, const platform::sqlite::Note&) { changed = true; });
    EXPECT_EQ(result.outcome, ChangeResult::Damaged);
    EXPECT_FALSE(changed);
    EXPECT_EQ(tavrin_test::bytes_of(temp.host(file)), before);
}

}  // namespace
