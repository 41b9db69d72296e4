// The shredder's promise on a real file system: an ext4 image mounted through a loop device as
// drive D: of the machine. After shredding, or after a normal delete followed by a free-space
// wipe, the secret text occurs nowhere in the raw image.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "engine/shredder/shredder.h"
#include "tests/unit/support/extra_drive.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace fs = std::filesystem;

const std::string kMarker = "SECRET-8c41e7-do-not-leave-on-disk|";

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string repeated_marker(size_t length) {
    std::string text;
    while (text.size() < length) text += kMarker;
    return text;
}

class ShredDeviceTest : public tavrin_test::MachineTest {
protected:
    void SetUp() override {
        image_ = temp.dir() / "device.img";
        mount_point_ = tavrin_test::drive_folder(temp, 'D');
        fs::create_directories(mount_point_);
        std::ofstream(image_).close();
        fs::resize_file(image_, 24u << 20);
        // No blocks held back for root: the wipe runs as whoever starts the program.
        if (!run("mkfs.ext4 -q -F -m 0 " + mkfs_features() + " " + quoted(image_)))
            GTEST_SKIP() << "mkfs.ext4 (package e2fsprogs) is missing, so no ext4 image can be made here";
        if (!run("mount -o loop " + quoted(image_) + " " + quoted(mount_point_)))
            GTEST_SKIP() << "This machine refuses loop mounts (they need root and a free /dev/loop device); "
                            "shredding on a real device is not tested here";
        mounted_ = true;
        // ext4 keeps a small pool of clusters that no file may take (2%, at most 4096), and
        // nothing running in user space can write those. Emptying the pool lets the test see
        // that every block a file can reach is reached.
        if (!release_kernel_reserve()) GTEST_SKIP() << "cannot empty the ext4 reserved cluster pool of the test image";
        tavrin_test::add_drive(temp, 'D');
    }

    void TearDown() override { unmount(); }

    virtual std::string mkfs_features() const { return ""; }

    void unmount() {
        if (mounted_ && run("umount " + quoted(mount_point_))) mounted_ = false;
    }

    bool release_kernel_reserve() const {
        std::ifstream mounts("/proc/mounts");
        std::string device, where, rest;
        while (mounts >> device >> where && std::getline(mounts, rest))
            if (where == mount_point_.string()) {
                std::ofstream pool("/sys/fs/ext4/" + fs::path(device).filename().string() + "/reserved_clusters");
                pool << "0" << std::flush;
                return pool.good();
            }
        return false;
    }

    bool image_holds_marker() const {
        std::ifstream in(image_, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return bytes.find(kMarker) != std::string::npos;
    }

    void write_secrets() {
        temp.write_file("D:\\notes\\short.txt", repeated_marker(60));
        temp.write_file("D:\\notes\\letter.doc", repeated_marker(64 * 1024 + 13));
        temp.write_file("D:\\archive.bin", repeated_marker(3 * 1024 * 1024));
        temp.write_file("D:\\folder\\one.txt", repeated_marker(5000));
        temp.write_file("D:\\folder\\deeper\\two.txt", repeated_marker(9000));
        temp.write_file("D:\\keep.txt", "an ordinary file that stays");
        ASSERT_TRUE(run("sync"));
        // Without this the test could not tell a wipe from a marker that never reached the disk.
        ASSERT_TRUE(image_holds_marker());
    }

    std::string kept_text() const {
        std::ifstream in(mount_point_ / "keep.txt");
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    fs::path image_;
    fs::path mount_point_;
    bool mounted_ = false;
};

TEST_F(ShredDeviceTest, ShreddedFilesLeaveNoTraceOnTheDevice) {
    ASSERT_NO_FATAL_FAILURE(write_secrets());
    engine::Shredder shredder;

    shredder.FileShred("D:\\notes\\short.txt");
    shredder.FileShred("D:\\notes\\letter.doc");
    shredder.FileShred("D:\\archive.bin");
    double max_fsize = 0, min_fsize = 0;
    shredder.FolderShred("D:\\folder", false, "*", true, max_fsize, min_fsize);
    EXPECT_EQ(kept_text(), "an ordinary file that stays");

    unmount();
    ASSERT_FALSE(mounted_);
    EXPECT_FALSE(image_holds_marker());
}

// The wipe image has no journal. With one, a block that a wipe file briefly takes for its own
// extent tree is written only to the journal, and deleting the file cancels the write to the
// block itself; such a block keeps its old contents and no program filling the drive can reach it.
class WipeDeviceTest : public ShredDeviceTest {
protected:
    std::string mkfs_features() const override { return "-O ^has_journal"; }
};

TEST_F(WipeDeviceTest, TheFreeSpaceWipeCoversWhatANormalDeleteLeftBehind) {
    ASSERT_NO_FATAL_FAILURE(write_secrets());
    auto& files = machine().files();
    for (const char* path : {"D:\\notes\\short.txt", "D:\\notes\\letter.doc", "D:\\archive.bin", "D:\\folder\\one.txt",
                             "D:\\folder\\deeper\\two.txt"})
        files.delete_file(path);
    ASSERT_TRUE(run("sync"));
    ASSERT_TRUE(image_holds_marker());  // a plain delete leaves the data on the device

    engine::Shredder shredder;
    shredder.ShredFreeSpace("D:");
    EXPECT_EQ(kept_text(), "an ordinary file that stays");
    EXPECT_TRUE(fs::is_empty(mount_point_ / "notes"));

    unmount();
    ASSERT_FALSE(mounted_);
    EXPECT_FALSE(image_holds_marker());
}

}  // namespace
