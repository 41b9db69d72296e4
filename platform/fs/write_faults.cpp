#include "platform/fs/write_faults.h"

#include <array>
#include <cerrno>
#include <mutex>

namespace platform::write_faults {

namespace {

struct Plan {
    int calls_left = 0;  // 0: nothing planned
    int error = 0;
};

std::mutex g_lock;
std::array<Plan, 3> g_plans;

Plan& plan_of(Step step) {
    return g_plans[static_cast<std::size_t>(step)];
}

}  // namespace

void fail(Step step, int nth, int error) {
    std::lock_guard held(g_lock);
    plan_of(step) = Plan{nth, error};
}

void clear() {
    std::lock_guard held(g_lock);
    g_plans = {};
}

bool injected(Step step) {
    std::lock_guard held(g_lock);
    Plan& plan = plan_of(step);
    if (plan.calls_left == 0 || --plan.calls_left > 0) return false;
    errno = plan.error;
    return true;
}

}  // namespace platform::write_faults
