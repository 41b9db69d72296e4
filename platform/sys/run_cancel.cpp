#include "platform/sys/run_cancel.h"

#include <atomic>

namespace platform {

namespace {

std::atomic<bool> g_running{false};
std::atomic<bool> g_cancelled{false};

}  // namespace

void request_run_cancel() {
    if (g_running.load()) g_cancelled.store(true);
}

bool run_cancel_requested() { return g_cancelled.load(); }

CancellableRun::CancellableRun() {
    g_cancelled.store(false);
    g_running.store(true);
}

CancellableRun::~CancellableRun() {
    g_running.store(false);
    g_cancelled.store(false);
}

void CancellableRun::check() {
    if (run_cancel_requested()) throw RunCancelled();
}

}  // namespace platform
