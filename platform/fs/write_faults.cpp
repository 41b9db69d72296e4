#include "platform/fs/write_faults.h"

#include <array>
#include <cerrno>
#include <mutex>
#include <utility>

namespace platform::write_faults {

namespace {

struct Plan {
    int calls_left = 0;  // 0: nothing planned
    int error = 0;
    std::function<void()> action;
};

std::mutex g_lock;
std::array<Plan, 3> g_plans;

Plan& plan_of(Step step) {
    return g_plans[static_cast<std::size_t>(step)];
}

}  // namespace

void fail(Step step, int nth, int error) {
    std::lock_guard held(g_lock);
    Plan& plan = plan_of(step);
    plan.calls_left = nth;
    plan.error = error;
}

void before(Step step, std::function<void()> action) {
    std::lock_guard held(g_lock);
    plan_of(step).action = std::move(action);
}

void clear() {
    std::lock_guard held(g_lock);
    g_plans = {};
}

bool injected(Step step) {
    std::function<void()> action;
    {
        std::lock_guard held(g_lock);
        action = plan_of(step).action;
    }
    if (action) action();  // unlocked: it may write files itself
    std::lock_guard held(g_lock);
    Plan& plan = plan_of(step);
    if (plan.calls_left == 0 || --plan.calls_left > 0) return false;
    errno = plan.error;
    return true;
}

}  // namespace platform::write_faults
