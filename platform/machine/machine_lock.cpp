// One program per machine: an advisory lock in the machine folder, and no program at all while
// a wineserver serves the prefix (it holds the registry in memory and writes it back over ours).
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/fs/unshared_open.h"
#include "platform/machine/machine.h"
#include "platform/machine/wineserver.h"

namespace platform {

namespace {

constexpr const char* kLockFile = ".tavrin-lock";

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

// The lock file, never written through a name that leads elsewhere: a prefix from someone else
// may hold a link there to any file of the user. Such a name is replaced by a lock file of our
// own; only when that fails too is the start refused.
int open_lock_file(const std::filesystem::path& dir) {
    const std::filesystem::path lock = dir / kLockFile;
    int fd = fs::detail::open_unshared(AT_FDCWD, lock.c_str(), O_RDWR | O_CREAT, 0644);
    if (fd >= 0) return fd;
    const auto refusal = fs::detail::unshared_refusal(errno);
    if (!refusal) throw MachineError("Cannot lock the machine " + dir.string() + ": " + std::strerror(errno) + ".");
    // Only the planted name goes, never the file it leads to.
    if (unlink(lock.c_str()) == 0 || errno == ENOENT) {
        fd = fs::detail::open_unshared(AT_FDCWD, lock.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) return fd;
    }
    throw MachineError("Cannot lock the machine " + dir.string() + ": the lock file " + lock.string() +
                       " cannot be used (" + *refusal + ") and could not be replaced (" + std::strerror(errno) +
                       "). Remove it and start again.");
}

}  // namespace

MachineLock::MachineLock(const Machine& machine) {
    const std::filesystem::path& dir = machine.dir();
    if (wineserver_serves(dir)) {
        throw MachineError("Wine is running on this machine (" + dir.string() +
                           "): its wineserver keeps the registry in memory and writes it back over any change made "
                           "from outside. Close the Windows programs (or run " +
                           wineserver_kill_command(dir) + ") and start again.");
    }
    file_ = dir / kLockFile;
    fd_ = open_lock_file(dir);
    if (fd_ < 0)
        throw MachineError("Cannot lock the machine " + dir.string() + ": " + std::strerror(errno) + ".");
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        std::string holder = holder_of(fd_);
        close(fd_);
        fd_ = -1;
        throw MachineError("Another Tavrin is already working on this machine (" + dir.string() + holder + ").");
    }
    record_holder(fd_);
    registry::remove_stale_replacements(dir);
}

void MachineLock::remove_lock_file() {
    if (fd_ >= 0) unlink(file_.c_str());
}

MachineLock::~MachineLock() {
    if (fd_ >= 0) close(fd_);
}

}  // namespace platform
