#pragma once
// Drive letters as a Wine prefix maps them: one link per drive in <machine>/dosdevices.
#include <filesystem>
#include <optional>
#include <vector>

namespace platform::fs::detail {

class DriveMap {
public:
    explicit DriveMap(std::filesystem::path dosdevices) : dosdevices_(std::move(dosdevices)) {}

    // The host folder the drive maps to, every link resolved; nullopt when it maps nowhere.
    // Read afresh each time, so a link added while the program runs counts at once.
    std::optional<std::filesystem::path> root(char letter) const;
    // Upper-case letters of the mapped drives, in order.
    std::vector<char> letters() const;

private:
    std::filesystem::path dosdevices_;
};

}  // namespace platform::fs::detail
