#include "platform/sys/removed_on_signal.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace platform {

namespace {

struct Registered {
    std::mutex lock;
    std::vector<std::filesystem::path> files;
};

// Never destroyed: a signal may end the program while static objects are being destroyed.
Registered& registered() {
    static auto* files = new Registered;
    return *files;
}

}  // namespace

RemovedOnSignal::RemovedOnSignal(std::filesystem::path file, const std::function<void()>& create)
    : file_(std::move(file)) {
    std::lock_guard held(registered().lock);
    create();
    registered().files.push_back(file_);
}

RemovedOnSignal::~RemovedOnSignal() {
    std::lock_guard held(registered().lock);
    auto& files = registered().files;
    if (auto found = std::find(files.rbegin(), files.rend(), file_); found != files.rend())
        files.erase(std::next(found).base());
}

void remove_files_registered_for_signals() {
    registered().lock.lock();  // for good: the program ends next
    for (const auto& file : registered().files) ::unlink(file.c_str());
}

}  // namespace platform
