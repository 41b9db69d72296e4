// tavrinapp killed with SIGKILL at random moments while commands change a registry of 200,000
// keys per hive: after every kill each hive parses, holds the state before or after the command
// that was under way, and the next start leaves no half-written file behind. And a full disk: the
// save fails with a clear message in the log window, the hive stays as it was, the program goes on.
// TAVRIN_KILLS sets the number of kills (a few in the suite, 200 for `make killtest`);
// TAVRIN_KILL_SEED repeats a run.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "tests/unit/support/big_hive.h"
#include "tests/unit/support/running_program.h"
#include "tests/unit/support/saved_machine.h"

namespace fs = std::filesystem;
using platform::registry::Registry;
using platform::registry::Root;
using tavrin_test::RunningProgram;

namespace {

int setting(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

std::string ping_value(const Registry& registry) { return tavrin_test::user_string(registry, tavrin_test::kPingKey, "val"); }

std::vector<std::string> leftovers(const fs::path& machine) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(machine))
        if (entry.path().filename().string().find(".tavrin-") != std::string::npos) found.push_back(entry.path().filename());
    return found;
}

fs::path new_machine_folder(const char* label) {
    std::random_device random;
    return fs::temp_directory_path() / (std::string("tavrin-") + label + "-" + std::to_string(random()));
}

void set_ping(RunningProgram& program, int value) {
    program.wait_idle(program.command("main", "ID_FS_MINSTEPPER", std::to_string(value)));
}

TEST(KillTest, EveryHiveIsWholeAndBeforeOrAfterTheCommandUnderWayAfterEachKill) {
    const int kills = setting("TAVRIN_KILLS", 8);
    const unsigned seed = static_cast<unsigned>(setting("TAVRIN_KILL_SEED", static_cast<int>(std::random_device{}() >> 1)));
    std::printf("kill test: %d kills, seed %u (TAVRIN_KILL_SEED=%u repeats it)\n", kills, seed, seed);
    std::mt19937 random(seed);

    const fs::path machine = new_machine_folder("kill");
    platform::Machine::open_or_create(machine);
    tavrin_test::append_big_hive_sections(machine / "system.reg");
    tavrin_test::append_big_hive_sections(machine / "user.reg");
    int on_disk = 0;
    {  // the first start installs the program; from then on only the commands change the registry
        RunningProgram program(machine);
        set_ping(program, on_disk);
    }
    const std::string system_hive = tavrin_test::file_text(machine / "system.reg");

    int value = on_disk;
    int mid_save = 0;
    for (int kill = 0; kill < kills; ++kill) {
        RunningProgram program(machine);
        EXPECT_TRUE(leftovers(machine).empty()) << "the start left a half-written hive, kill " << kill;
        for (int done = static_cast<int>(random() % 3); done > 0; --done) set_ping(program, on_disk = ++value);
        const int under_way = ++value;
        program.command("main", "ID_FS_MINSTEPPER", std::to_string(under_way));
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 700));
        program.kill_now();
        if (!leftovers(machine).empty()) ++mid_save;

        SCOPED_TRACE("kill " + std::to_string(kill) + " of seed " + std::to_string(seed));
        std::unique_ptr<Registry> registry;
        ASSERT_NO_THROW(registry = std::make_unique<Registry>(machine));
        const std::string held = ping_value(*registry);
        ASSERT_TRUE(held == std::to_string(on_disk) || held == std::to_string(under_way))
            << "holds " << held << ", not " << on_disk << " or " << under_way;
        on_disk = std::stoi(held);
        for (int probe = 0; probe < 5; ++probe) {
            const std::string key = tavrin_test::big_hive_key(static_cast<int>(random() % tavrin_test::kBigHiveKeys));
            EXPECT_TRUE(registry->key_exists(Root::CurrentUser, key)) << key;
            EXPECT_TRUE(registry->key_exists(Root::LocalMachine, key)) << key;
        }
        EXPECT_EQ(tavrin_test::file_text(machine / "system.reg"), system_hive) << "system.reg changed, though no command touches it";
    }
    { RunningProgram last(machine); }
    EXPECT_TRUE(leftovers(machine).empty());
    std::printf("kill test: %d kills, %d of them in the middle of a save (a replacement was being written); every "
                "hive whole and before or after its command\n",
                kills, mid_save);
    fs::remove_all(machine);
}

// A small file system of its own, filled up while the program runs.
class FullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        machine = new_machine_folder("full-disk");
        fs::create_directories(machine);
        const std::string mount = "mount -t tmpfs -o size=24m tavrin-full-disk '" + machine.string() + "' 2>/dev/null";
        if (std::system(mount.c_str()) != 0) {
            fs::remove(machine);
            GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and a mount namespace that allows it)";
        }
        mounted = true;
    }
    void TearDown() override {
        if (!mounted) return;
        [[maybe_unused]] int status = std::system(("umount '" + machine.string() + "'").c_str());
        fs::remove(machine);
    }

    // Writes a file until the disk is full.
    void fill_up() {
        std::FILE* filler = std::fopen((machine / "filler").c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        std::vector<char> block(64 * 1024, 'x');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
        }
        std::fclose(filler);
    }

    fs::path machine;
    bool mounted = false;
};

TEST_F(FullDisk, TheSaveFailsWithAClearMessageTheHiveStaysAndTheProgramGoesOn) {
    RunningProgram program(machine);
    program.expect_sets("_root.LogFile", 1);
    set_ping(program, 1);
    const std::string before = tavrin_test::file_text(machine / "user.reg");
    fill_up();

    set_ping(program, 2);
    EXPECT_TRUE(program.log_says("The changes could not be saved; they are kept and saved again after the next action."));
    EXPECT_TRUE(program.log_says("No space left on device"));
    EXPECT_EQ(tavrin_test::file_text(machine / "user.reg"), before);
    EXPECT_TRUE(leftovers(machine).empty());

    fs::remove(machine / "filler");
    set_ping(program, 3);
    Registry registry(machine);
    EXPECT_EQ(ping_value(registry), "3");
}

}  // namespace
