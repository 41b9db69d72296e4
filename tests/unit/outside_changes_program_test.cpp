// The running program and other programs on the same machine: a hand edit of user.reg and Wine's
// `reg add` while tavrinapp runs are kept, the program's own changes are carried over onto them,
// and while Wine serves the prefix the program saves nothing and says why.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry/registry.h"
#include "tests/unit/support/running_program.h"
#include "tests/unit/support/saved_machine.h"
#include "tests/unit/support/wine_prefix.h"

namespace fs = std::filesystem;
using platform::registry::Registry;
using platform::registry::Root;
using tavrin_test::file_text;
using tavrin_test::kPingKey;
using tavrin_test::RunningProgram;
using tavrin_test::saved_user_string;

namespace {

void set_ping(RunningProgram& program, const std::string& value) {
    program.wait_idle(program.command("main", "ID_FS_MINSTEPPER", value));
}

fs::path new_machine_folder() {
    std::random_device random;
    return fs::temp_directory_path() / ("tavrin-outside-program-" + std::to_string(random()));
}

TEST(OutsideChangesWhileRunning, AHandEditOfUserRegIsKeptAndTheProgramsChangeMeetingItIsNamed) {
    const fs::path machine = new_machine_folder();
    {
        RunningProgram program(machine);
        program.expect_sets("_root.LogFile", 1);  // listens from now on
        set_ping(program, "7");
        {
            std::ofstream edit(machine / "user.reg", std::ios::binary | std::ios::app);
            edit << "\n[Software\\\\Edited By Hand] 1700000000\n\"note\"=\"kept\"\n";
        }
        set_ping(program, "8");
        EXPECT_EQ(saved_user_string(machine, "Software\\Edited By Hand", "note"), "kept");
        EXPECT_EQ(saved_user_string(machine, kPingKey, "val"), "8");

        // The same value edited by hand: the hand's version stays, and the log says what was not saved.
        std::string text = file_text(machine / "user.reg");
        const size_t at = text.find("\"val\"=\"8\"");
        ASSERT_NE(at, std::string::npos);
        text.replace(at, 9, "\"val\"=\"by hand\"");
        std::ofstream(machine / "user.reg", std::ios::binary | std::ios::trunc) << text;
        set_ping(program, "9");
        EXPECT_EQ(saved_user_string(machine, kPingKey, "val"), "by hand");
        EXPECT_TRUE(program.log_says("Another program changed the registry files while Tavrin was running"));
        EXPECT_TRUE(program.log_says("HKEY_CURRENT_USER\\" + kPingKey + " keeps the values another program gave it"));

        set_ping(program, "10");  // the program goes on saving
        EXPECT_EQ(saved_user_string(machine, kPingKey, "val"), "10");
        EXPECT_EQ(saved_user_string(machine, "Software\\Edited By Hand", "note"), "kept");
    }
    fs::remove_all(machine);
}

TEST(OutsideChangesWhileRunning, WinesRegAddIsKeptAndNothingIsSavedWhileItsServerRuns) {
    if (!tavrin_test::WinePrefix::available()) GTEST_SKIP() << "Wine is not installed (Debian package wine64)";
    tavrin_test::WinePrefix prefix;
    RunningProgram program(prefix.dir());
    program.expect_sets("_root.LogFile", 1);
    set_ping(program, "1");
    const std::string before = file_text(prefix.dir() / "user.reg");

    ASSERT_TRUE(prefix.start_server());
    ASSERT_TRUE(prefix.reg_add("HKCU\\Software\\WineSide", "w", "from wine"));
    set_ping(program, "2");  // Wine serves the prefix: nothing is written, the log says why
    EXPECT_TRUE(program.log_says("Wine started on this machine"));
    EXPECT_EQ(file_text(prefix.dir() / "user.reg"), before);

    prefix.stop_server();  // Wine writes its registry as it ends
    set_ping(program, "3");
    EXPECT_EQ(saved_user_string(prefix.dir(), "Software\\WineSide", "w"), "from wine");
    EXPECT_EQ(saved_user_string(prefix.dir(), kPingKey, "val"), "3");
}

}  // namespace
