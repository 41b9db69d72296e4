// One program per machine: an advisory lock in the machine folder, and no program at all while
// a wineserver serves the prefix (it holds the registry in memory and writes it back over ours).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/machine/machine.h"

namespace platform {

namespace {

constexpr const char* kLockFile = ".tavrin-lock";

// Wine names its server folder after the prefix's device and inode; a socket there that accepts
// a connection is a live wineserver, a leftover one refuses.
bool wineserver_serves(const std::filesystem::path& prefix) {
    struct stat st;
    if (stat(prefix.c_str(), &st) != 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "/tmp/.wine-%u/server-%llx-%llx/socket",
                  static_cast<unsigned>(getuid()), static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool listening = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return listening;
}

std::string holder_of(int fd) {
    char buffer[32] = {};
    ssize_t n = pread(fd, buffer, sizeof buffer - 1, 0);
    std::string pid = n > 0 ? std::string(buffer, static_cast<size_t>(n)) : "";
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
    return pid.empty() ? "" : ", process " + pid;
}

// Only to name the holder in the refusal; the lock itself is what keeps a second program out.
void record_holder(int fd) {
    std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) != 0) return;
    [[maybe_unused]] ssize_t written = pwrite(fd, pid.data(), pid.size(), 0);
}

}  // namespace

MachineLock::MachineLock(const Machine& machine) {
    const std::filesystem::path& dir = machine.dir();
    if (wineserver_serves(dir)) {
        throw MachineError("Wine is running on this machine (" + dir.string() +
                           "): its wineserver keeps the registry in memory and writes it back over any change made "
                           "from outside. Close the Windows programs (or run \"wineserver -k\") and start again.");
    }
    fd_ = open((dir / kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0)
        throw MachineError("Cannot lock the machine " + dir.string() + ": " + std::strerror(errno) + ".");
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        std::string holder = holder_of(fd_);
        close(fd_);
        fd_ = -1;
        throw MachineError("Another Tavrin is already working on this machine (" + dir.string() + holder + ").");
    }
    record_holder(fd_);
}

MachineLock::~MachineLock() {
    if (fd_ >= 0) close(fd_);
}

}  // namespace platform
