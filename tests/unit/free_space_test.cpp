// The free-space wipe on a drive limited by a quota, so the real disk is never filled.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "engine/shredder/free_space_wipe.h"
#include "engine/shredder/shredder.h"
#include "platform/sys/end_on_signal.h"
#include "platform/sys/run_cancel.h"
#include "tests/unit/support/extra_drive.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using WipeFiles = std::map<std::string, uintmax_t>;

class FreeSpaceTest : public tavrin_test::MachineTest {
protected:
    FreeSpaceTest() {
        tavrin_test::add_drive(temp, 'D');
        shredder.Progress.subscribe([this](double& percent) {
            progress.push_back(percent);
            seen_at_progress.push_back(wipe_files());
        });
    }

    // The wipe files in the drive's root, by name with their sizes.
    WipeFiles wipe_files() const {
        WipeFiles files;
        for (const auto& entry : fs::directory_iterator(tavrin_test::drive_folder(temp, 'D')))
            if (entry.path().filename().string().starts_with("TmpShred"))
                files[entry.path().filename().string()] = entry.is_regular_file() ? entry.file_size() : 0;
        return files;
    }

    engine::Shredder shredder;
    std::vector<double> progress;
    std::vector<WipeFiles> seen_at_progress;
};

TEST_F(FreeSpaceTest, ChunksAreKeptUntilTheSpaceIsCoveredThenAllDeleted) {
    machine().files().set_quota('D', 25'000'000);

    shredder.ShredFreeSpace("D:");

    ASSERT_EQ(progress.size(), 3u);
    EXPECT_DOUBLE_EQ(progress[0], 40.0);
    EXPECT_DOUBLE_EQ(progress[1], 80.0);
    EXPECT_DOUBLE_EQ(progress[2], 100.0);
    EXPECT_EQ(seen_at_progress[0], (WipeFiles{{"TmpShred.1", 10'000'000}}));
    EXPECT_EQ(seen_at_progress[1], (WipeFiles{{"TmpShred.1", 10'000'000}, {"TmpShred.2", 10'000'000}}));
    EXPECT_TRUE(seen_at_progress[2].empty());
    EXPECT_TRUE(wipe_files().empty());
    // And the space is given back.
    EXPECT_EQ(machine().files().free_space("D:\\").free_bytes, 25'000'000u);
}

// What a wipe's preview shows: the files the wipe writes for the free space, from a look at the
// drive that writes nothing.
TEST_F(FreeSpaceTest, ThePlanNamesTheFilesTheWipeWritesAndWritesNothing) {
    machine().files().set_quota('D', 25'000'000);
    std::ofstream(tavrin_test::drive_folder(temp, 'D') / "kept.bin") << std::string(1'000'000, 'k');

    const engine::WipePlan plan = engine::plan_wipe(machine().files(), "D:\\");

    EXPECT_EQ(plan.free_bytes, 24'000'000u);
    EXPECT_EQ(plan.capacity, 25'000'000u);
    ASSERT_EQ(plan.files.size(), 3u);
    EXPECT_EQ(plan.files[0].name, "TmpShred.1");
    EXPECT_EQ(plan.files[1].name, "TmpShred.2");
    EXPECT_EQ(plan.files[1].length, 10'000'000u);
    EXPECT_EQ(plan.files[2].name, "TmpShred.x");
    EXPECT_EQ(plan.files[2].length, 4'000'000u);
    EXPECT_EQ(plan.next_chunk, 3u);
    EXPECT_TRUE(wipe_files().empty());

    shredder.ShredFreeSpace("D:");
    ASSERT_GE(seen_at_progress.size(), 2u);
    const WipeFiles planned_chunks = {{plan.files[0].name, plan.files[0].length}, {plan.files[1].name, plan.files[1].length}};
    EXPECT_EQ(seen_at_progress[1], planned_chunks);
}

TEST_F(FreeSpaceTest, FilesAlreadyOnTheDriveAreLeftAsTheyWere) {
    std::ofstream(tavrin_test::drive_folder(temp, 'D') / "keep.txt") << "keep";
    machine().files().set_quota('D', 12'000'000);

    shredder.ShredFreeSpace("D:\\ignored rest");

    ASSERT_EQ(progress.size(), 2u);
    EXPECT_NEAR(progress[0], 100.0 * 10'000'000 / (12'000'000 - 4), 1e-9);
    EXPECT_DOUBLE_EQ(progress[1], 100.0);
    std::ifstream kept(tavrin_test::drive_folder(temp, 'D') / "keep.txt");
    std::string text;
    kept >> text;
    EXPECT_EQ(text, "keep");
    EXPECT_TRUE(wipe_files().empty());
}

TEST_F(FreeSpaceTest, ASmallDriveGetsOnlyTheRestFileAndOneProgress) {
    machine().files().set_quota('D', 4'000'000);

    shredder.ShredFreeSpace("D:");

    EXPECT_EQ(progress, std::vector<double>{100.0});
    EXPECT_TRUE(wipe_files().empty());
}

// Cancel, pressed while the first chunk is written, stops the wipe before the second one and takes
// the first away; outside a cancellable run the same press stops nothing.
TEST_F(FreeSpaceTest, CancelStopsBeforeTheNextFillFileAndRemovesTheWrittenOnes) {
    machine().files().set_quota('D', 25'000'000);
    shredder.Progress.subscribe([](double&) { platform::request_run_cancel(); });
    {
        platform::CancellableRun run;
        EXPECT_THROW(shredder.ShredFreeSpace("D:"), platform::RunCancelled);
    }
    EXPECT_EQ(progress, std::vector<double>{40.0});
    EXPECT_TRUE(wipe_files().empty());
    EXPECT_EQ(machine().files().free_space("D:\\").free_bytes, 25'000'000u);

    progress.clear();
    shredder.ShredFreeSpace("D:");
    EXPECT_EQ(progress.back(), 100.0);
}

TEST_F(FreeSpaceTest, AFailureReachesTheCallerAndLeavesNoWipeFileBehind) {
    machine().files().set_quota('D', 25'000'000);
    // A folder in the way of the second chunk: creating that file fails, and not for want of space.
    fs::create_directories(tavrin_test::drive_folder(temp, 'D') / "TmpShred.2");
    std::ofstream(tavrin_test::drive_folder(temp, 'D') / "TmpShred.2" / "mine.txt") << "mine";

    EXPECT_THROW(shredder.ShredFreeSpace("D:"), engine::EngineError);

    EXPECT_EQ(wipe_files(), (WipeFiles{{"TmpShred.2", 0}}));
    EXPECT_TRUE(fs::exists(tavrin_test::drive_folder(temp, 'D') / "TmpShred.2" / "mine.txt"));
}

TEST_F(FreeSpaceTest, DrivesThatAreNotThereOrNotOursRaiseAnError) {
    std::vector<bool> pointer;
    const engine::HostHooksInPlace hooks({.set_busy_pointer = [&](bool busy) { pointer.push_back(busy); }});
    EXPECT_THROW(shredder.ShredFreeSpace("Q:"), engine::EngineError);
    EXPECT_THROW(shredder.ShredFreeSpace(""), engine::EngineError);
    EXPECT_THROW(shredder.ShredFreeSpace("D"), engine::EngineError);

    EXPECT_TRUE(progress.empty());
    // The hourglass goes back to the arrow on the way out of an error too.
    EXPECT_EQ(pointer, (std::vector<bool>{true, false, true, false, true, false}));

    const fs::path outside = fs::temp_directory_path() / ("wipe-outside-" + temp.dir().filename().string());
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, temp.dir() / "dosdevices" / "r:");
    temp.reopen();
    machine().files().set_quota('R', 1'000'000);
    EXPECT_THROW(shredder.ShredFreeSpace("R:"), engine::EngineError);
    const bool outside_untouched = fs::is_empty(outside);
    fs::remove_all(outside);
    EXPECT_TRUE(outside_untouched);
}

// A signal that ends the program in the middle of a wipe takes the fill files with it; here the
// wipe of a child process stands still after its first chunk while the signal ends it.
TEST_F(FreeSpaceTest, ASignalEndsTheWipeWithoutLeavingFillFiles) {
    machine().files().set_quota('D', 25'000'000);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const platform::EndOnSignal end_on_signal([] {}, std::chrono::milliseconds(0), platform::SignalEnding::AsSignalled);
        shredder.Progress.subscribe([](double&) {
            kill(getpid(), SIGINT);
            for (;;) pause();
        });
        engine::ignore_errors([&] { shredder.ShredFreeSpace("D:"); });
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
    EXPECT_TRUE(wipe_files().empty());
}

// What a wipe cut short by a kill or a power cut left is removed at the next start of a program
// holding the machine: only files of a fill file's name holding nothing but fill.
TEST_F(FreeSpaceTest, TheNextStartRemovesTheFillFilesOfAWipeCutShort) {
    const fs::path d = tavrin_test::drive_folder(temp, 'D');
    std::ofstream(d / "TmpShred.1") << std::string(100'000, '0');
    std::ofstream(d / "TmpShred.x").close();
    std::ofstream(d / "TmpShred.3") << "0000 the user's own";
    std::ofstream(d / "TmpShred.old") << "0000";
    fs::create_directory(d / "TmpShred.4");
    temp.write_file("C:\\TmpShred.12", "0000");

    EXPECT_EQ(engine::remove_leftover_fill_files(machine().files()), 3);
    EXPECT_EQ(wipe_files(), (WipeFiles{{"TmpShred.3", 19}, {"TmpShred.4", 0}, {"TmpShred.old", 4}}));
    EXPECT_FALSE(fs::exists(temp.host("C:\\TmpShred.12")));
}

}  // namespace
