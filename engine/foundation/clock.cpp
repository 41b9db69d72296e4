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

// Seconds since 1970-01-01 00:00 of the naive local time; only differences between two of them
// are used, so no time zone enters.
std::chrono::seconds naive_seconds(const LocalTime& time) {
    using namespace std::chrono;
    sys_days date = year_month_day{year{time.year}, month{static_cast<unsigned>(time.month)},
                                   day{static_cast<unsigned>(time.day)}};
    return duration_cast<seconds>(date.time_since_epoch()) + hours{time.hour} + minutes{time.minute} +
           seconds{time.second};
}

LocalTime from_naive_seconds(std::chrono::seconds since_epoch) {
    using namespace std::chrono;
    sys_days date = floor<days>(sys_seconds{since_epoch});
    year_month_day ymd{date};
    hh_mm_ss clock{since_epoch - duration_cast<seconds>(date.time_since_epoch())};
    return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(clock.hours().count()),
            static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count())};
}

}  // namespace

LocalTime now() { return clock_source() ? clock_source()() : host_time(); }

void set_clock(std::function<LocalTime()> source) { clock_source() = std::move(source); }

void set_clock_start(const LocalTime& start) {
    const auto offset = naive_seconds(start) - naive_seconds(host_time());
    set_clock([offset] { return from_naive_seconds(naive_seconds(host_time()) + offset); });
}

int weekday(const LocalTime& time) {
    using namespace std::chrono;
    sys_days date = year_month_day{year{time.year}, month{static_cast<unsigned>(time.month)},
                                   day{static_cast<unsigned>(time.day)}};
    return static_cast<int>(std::chrono::weekday{date}.c_encoding()) + 1;
}

const char* weekday_name(int weekday) {
    static constexpr const char* kNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
    return weekday >= 1 && weekday <= 7 ? kNames[weekday - 1] : "";
}

}  // namespace engine
