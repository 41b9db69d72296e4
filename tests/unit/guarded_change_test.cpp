// The guarded change of a database file: a change that leaves the file failing its check is
// undone from the copy taken before, and nothing it noted is recorded.
#include <gtest/gtest.h>

#include "platform/sqlite/guarded_change.h"
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

}  // namespace
