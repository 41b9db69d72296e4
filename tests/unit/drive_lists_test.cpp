// The drive lists of the shredder screen: which drives the user is offered to wipe.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/features/shredder/drive_lists.h"
#include "tests/unit/support/extra_drive.h"
#include "tests/unit/support/program_fixture.h"

namespace {

using tavrin_test::ProgramTest;

class DriveListsTest : public ProgramTest {
protected:
    // Maps the letter and gives it Wine's drive type ("" leaves it a fixed drive).
    void add_drive_of_type(char letter, const std::string& type) {
        tavrin_test::add_drive(temp, letter);
        if (type.empty()) return;
        auto& registry = machine().registry();
        const std::string key = "Software\\Wine\\Drives";
        const std::string name{static_cast<char>(letter | 0x20), ':'};
        ASSERT_EQ(registry.create_key(platform::registry::Root::LocalMachine, key), platform::registry::Status::Ok);
        std::string data = type;
        data.push_back('\0');
        registry.set_value(platform::registry::Root::LocalMachine, key, name, platform::registry::type::Sz,
                           {reinterpret_cast<const uint8_t*>(data.data()), data.size()});
        machine().flush();  // the next drive's reopen would drop it otherwise
    }
};

TEST_F(DriveListsTest, OnlyFixedAndRemovableDrivesAreOfferedBothListsAlike) {
    add_drive_of_type('A', "floppy");
    add_drive_of_type('D', "cdrom");
    add_drive_of_type('E', "");
    add_drive_of_type('N', "network");
    program.start();

    EXPECT_EQ(main_var("_root.NumberOfDrives"), "3");
    EXPECT_EQ(main_var("_root.NamesOfDrives"), "A:\\|C:\\|E:\\");
    EXPECT_EQ(main_var("_root.NumberOfDrives2"), "3");
    EXPECT_EQ(main_var("_root.NamesOfDrives2"), "A:\\|C:\\|E:\\");
}

// A Wine prefix maps z: to the host's root: shredding that drive would shred the host.
TEST_F(DriveListsTest, ADriveThatLeadsOutOfTheMachineIsNotOffered) {
    std::filesystem::create_directory_symlink("/", temp.dir() / "dosdevices" / "z:");
    temp.reopen();
    program.start();
    EXPECT_EQ(main_var("_root.NumberOfDrives"), "1");
    EXPECT_EQ(main_var("_root.NamesOfDrives"), "C:\\");
    EXPECT_EQ(main_var("_root.NamesOfDrives2"), "C:\\");
}

TEST(DriveListsOutside, AllowingChangesOutsideTheMachineOffersSuchADrive) {
    tavrin_test::TempMachine allowed(platform::MachineOptions{.allow_outside_machine = true});
    std::filesystem::create_directory_symlink("/", allowed.dir() / "dosdevices" / "z:");
    allowed.reopen();
    EXPECT_EQ(app::wipeable_drives(std::string("C:\\\0Z:\\\0\0", 9)), (std::vector<std::string>{"C:\\", "Z:\\"}));
}

TEST_F(DriveListsTest, DriveStringsAreReadWhateverTheirPaddingAndEmptyPiecesAreDropped) {
    using app::wipeable_drives;
    EXPECT_EQ(wipeable_drives(std::string("C:\\\0\0", 5)), std::vector<std::string>{"C:\\"});
    EXPECT_EQ(wipeable_drives(std::string("C:\\\0\0\0", 6)), std::vector<std::string>{"C:\\"});
    EXPECT_TRUE(wipeable_drives(std::string(255, '\0')).empty());
    EXPECT_TRUE(wipeable_drives("").empty());
    // A letter no drive is mapped to is not offered.
    EXPECT_TRUE(wipeable_drives(std::string("Q:\\\0\0", 5)).empty());
}

}  // namespace
