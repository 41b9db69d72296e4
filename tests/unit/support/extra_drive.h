#pragma once
// A second drive of a temporary machine: a folder inside the machine mapped to a letter, so a
// test can fill, limit or mount it without touching drive C:.
#include <filesystem>
#include <string>

#include "platform/text/ascii_case.h"
#include "tests/unit/support/temp_machine.h"

namespace tavrin_test {

// Maps `letter` to <machine>/drive_<letter> (created when missing) and reopens the machine so
// that it sees the new drive. Returns the drive's root ("D:\").
inline std::string add_drive(TempMachine& temp, char letter) {
    const std::string lower(1, platform::text::ascii_lower(letter));
    std::filesystem::create_directories(temp.dir() / ("drive_" + lower));
    const auto link = temp.dir() / "dosdevices" / (lower + ":");
    if (!std::filesystem::is_symlink(link)) std::filesystem::create_directory_symlink("../drive_" + lower, link);
    temp.reopen();
    return std::string(1, platform::text::ascii_upper(letter)) + ":\\";
}

// The host folder a drive added above lives in.
inline std::filesystem::path drive_folder(const TempMachine& temp, char letter) {
    return temp.dir() / (std::string("drive_") + platform::text::ascii_lower(letter));
}

}  // namespace tavrin_test
