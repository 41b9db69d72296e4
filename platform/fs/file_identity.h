#pragma once
// What a folder is, whatever it is called: device and inode. A folder found again by name or
// through ".." is the same one only when these match.
#include <sys/stat.h>

#include <optional>

namespace platform::fs::detail {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

inline std::optional<FileIdentity> identity_of(int fd) {
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

}  // namespace platform::fs::detail
