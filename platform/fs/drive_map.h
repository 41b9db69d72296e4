#pragma once
// Drive letters as a machine maps them: a Wine prefix by one link per drive in its dosdevices
// folder; a Windows installation is drive C: and has no other.
#include <sys/types.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

namespace platform::fs::detail {

class DriveMap {
public:
    explicit DriveMap(const std::filesystem::path& machine_dir);

    // The host folder the drive maps to, every link resolved; nullopt when it maps nowhere.
    // A link changed, added or removed while the program runs counts at once: a root found
    // earlier is used again only while the drive's link still leads to that very folder, which
    // one stat tells instead of resolving every link on the way again.
    std::optional<std::filesystem::path> root(char letter) const;
    // Upper-case letters of the mapped drives, in order.
    std::vector<char> letters() const;

private:
    struct Known {
        std::filesystem::path root;
        dev_t device = 0;
        ino_t inode = 0;
    };
    std::optional<std::filesystem::path> still_known(char letter) const;
    std::optional<std::filesystem::path> look_up(char letter) const;

    std::filesystem::path dosdevices_;
    mutable std::mutex mutex_;
    mutable std::optional<Known> known_[26];  // by letter, 'A' first
    std::filesystem::path installation_;  // a Windows installation's folder: drive C:
};

}  // namespace platform::fs::detail
