// One program per machine, and no program at all while a wineserver serves the prefix (it holds
// the registry in memory and writes it back over ours). Nothing of the lock is written into the
// machine: a lock file in the user's runtime folder, named after the machine's real path, and a
// lock on the machine folder itself, which no deleted or replaced file can take away.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/machine/machine_lock.h"
#include "platform/machine/wineserver.h"
#include "platform/sys/runtime_folder.h"
#include "platform/text/fnv1a.h"
#include "platform/text/split.h"

namespace platform {

namespace {

std::string lock_file_name(const std::filesystem::path& real_dir) {
    return "machine-" + text::fnv1a_hex(real_dir.string()) + ".lock";
}

// What the holder recorded: its process id, its machine folder and, once it serves its screens,
// their address, a line each.
struct Holder {
    std::string pid;
    std::string address;
};

Holder holder_of(int fd) {
    char buffer[4096] = {};
    ssize_t n = pread(fd, buffer, sizeof buffer - 1, 0);
    std::vector<std::string> lines = text::split(std::string_view(buffer, n > 0 ? static_cast<size_t>(n) : 0), '\n');
    lines.pop_back();  // what follows the last line end: nothing, or a line still being written
    return {lines.size() > 0 ? lines[0] : "", lines.size() > 2 ? lines[2] : ""};
}

// Only to name the holder in the refusal and to lead a second start to its screens; the locks
// themselves keep a second program out.
void record_holder(int fd, const std::filesystem::path& real_dir, const std::string& address) {
    std::string text = std::to_string(getpid()) + "\n" + real_dir.string() + "\n";
    if (!address.empty()) text += address + "\n";
    if (ftruncate(fd, 0) != 0) return;
    [[maybe_unused]] ssize_t written = pwrite(fd, text.data(), text.size(), 0);
}

[[noreturn]] void refuse_busy(const std::filesystem::path& dir, const Holder& holder) {
    const std::string process = holder.pid.empty() ? "" : ", process " + holder.pid;
    throw MachineBusy("Another Tavrin is already working on this machine (" + dir.string() + process + ").",
                      holder.address);
}

[[noreturn]] void refuse_unlockable(const std::filesystem::path& dir, const std::string& why) {
    throw MachineError("Cannot lock the machine " + dir.string() + ": " + why + ".");
}

// The lock file, locked. A holder removes its file on the way out while still holding it, so
// a file locked after that is no longer the one its name leads to: then the new one is taken.
int lock_file(const std::filesystem::path& file, const std::filesystem::path& dir) {
    for (;;) {
        const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) refuse_unlockable(dir, file.string() + ": " + std::strerror(errno));
        struct stat held {};
        if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            close(fd);
            refuse_unlockable(dir, file.string() + " is not a regular file");
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            const Holder holder = holder_of(fd);
            close(fd);
            if (error == EWOULDBLOCK) refuse_busy(dir, holder);
            refuse_unlockable(dir, file.string() + ": " + std::strerror(error));
        }
        struct stat named {};
        if (lstat(file.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino) return fd;
        close(fd);
    }
}

// The machine folder's own lock; -1 where its file system keeps no locks on folders, and the
// lock file then stands alone.
int lock_folder(const std::filesystem::path& real_dir, const std::filesystem::path& dir) {
    const int fd = open(real_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    const int error = errno;
    close(fd);
    if (error == EWOULDBLOCK) refuse_busy(dir, {});
    return -1;
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
    std::error_code error;
    real_dir_ = std::filesystem::canonical(dir, error);
    if (error) refuse_unlockable(dir, error.message());
    try {
        file_ = sys::private_runtime_folder() / lock_file_name(real_dir_);
    } catch (const std::runtime_error& e) {
        refuse_unlockable(dir, e.what());
    }
    fd_ = lock_file(file_, dir);
    try {
        folder_fd_ = lock_folder(real_dir_, dir);
    } catch (const MachineError&) {
        release();
        throw;
    }
    record_holder(fd_, real_dir_, "");
    machine.remove_unfinished_saves();
}

void MachineLock::publish_address(const std::string& address) {
    record_holder(fd_, real_dir_, address);
}

void MachineLock::release() {
    // Removed while still held, so that the next program's file is a new one (see lock_file).
    unlink(file_.c_str());
    close(fd_);
    fd_ = -1;
}

MachineLock::~MachineLock() {
    if (folder_fd_ >= 0) close(folder_fd_);
    if (fd_ >= 0) release();
}

}  // namespace platform
