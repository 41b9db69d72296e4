#pragma once
// One running program per machine. Writes nothing into the machine folder: the lock file lives in
// the user's runtime folder and goes with the lock.
#include <filesystem>
#include <string>

#include "platform/machine/machine.h"

namespace platform {

// Another program holds the machine. `address` is where that program serves its screens, when it
// has published one (a program still starting, or one that only runs the schedule, has none).
class MachineBusy : public MachineError {
public:
    MachineBusy(const std::string& message, std::string address)
        : MachineError(message), address_(std::move(address)) {}
    const std::string& address() const { return address_; }

private:
    std::string address_;
};

// Throws MachineBusy when another program holds the machine, and MachineError with a clear
// message when a wineserver is serving it or the lock cannot be taken.
class MachineLock {
public:
    explicit MachineLock(const Machine& machine);
    ~MachineLock();
    MachineLock(const MachineLock&) = delete;
    MachineLock& operator=(const MachineLock&) = delete;

    // Lets a second start on the same machine open this program's screens instead of refusing.
    // The address carries the screens' token; the lock file is private to the user (0600 in a
    // 0700 folder), as the address printed on the terminal is.
    void publish_address(const std::string& address);

private:
    void release();

    std::filesystem::path file_;
    std::filesystem::path real_dir_;
    int fd_ = -1;
    int folder_fd_ = -1;
};

}  // namespace platform
