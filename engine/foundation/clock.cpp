#include "engine/foundation/clock.h"

#include <chrono>
#include <ctime>
#include <mutex>

namespace engine {

namespace {

std::function<LocalTime()>& clock_source() {
    static std::function<LocalTime()> source;
    return source;
}

LocalTime host_time() {
    // std::localtime shares one buffer; the lock keeps a second thread from overwriting it mid-copy.
    static std::mutex lock;
    std::time_t seconds = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::lock_guard guard(lock);
    const std::tm* local = std::localtime(&seconds);
    return {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec};
}

}  // namespace

LocalTime now() { return clock_source() ? clock_source()() : host_time(); }

void set_clock(std::function<LocalTime()> source) { clock_source() = std::move(source); }

}  // namespace engine
