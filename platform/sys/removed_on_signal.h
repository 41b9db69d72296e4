#pragma once
// Files an operation keeps only while it runs (the free-space wipe's fill files, which hold the
// drive full): when a signal ends the program (see end_on_signal.h), they are removed on the way
// out instead of being left behind.
#include <filesystem>
#include <functional>

namespace platform {

class RemovedOnSignal {
public:
    // Makes the host file with `create` and registers it, both in one step against the removal,
    // so that no file is made after it; it is no longer removed once this goes away. What
    // `create` throws reaches the caller, and nothing is registered.
    RemovedOnSignal(std::filesystem::path file, const std::function<void()>& create);
    ~RemovedOnSignal();
    RemovedOnSignal(const RemovedOnSignal&) = delete;
    RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

private:
    std::filesystem::path file_;
};

// Removes every registered file and keeps further ones from being made (their makers wait): the
// program must end next. EndOnSignal calls it.
void remove_files_registered_for_signals();

}  // namespace platform
