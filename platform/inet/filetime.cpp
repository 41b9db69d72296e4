#include "platform/inet/filetime.h"

#include <chrono>
#include <ctime>

namespace platform::inet {

namespace {
constexpr int64_t kUnitsPerSecond = 10'000'000;
constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr int64_t kDaysFrom1899To1970 = 25'569;
}  // namespace

uint64_t filetime_from_unix(int64_t unix_seconds) {
    return static_cast<uint64_t>((unix_seconds + kSecondsFrom1601To1970) * kUnitsPerSecond);
}

uint64_t filetime_now() {
    auto since_1970 = std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, kUnitsPerSecond>>>(
        std::chrono::system_clock::now().time_since_epoch());
    return static_cast<uint64_t>(since_1970.count() + kSecondsFrom1601To1970 * kUnitsPerSecond);
}

double filetime_to_local_date(uint64_t filetime) {
    int64_t units = static_cast<int64_t>(filetime);
    std::time_t unix_seconds = static_cast<std::time_t>(units / kUnitsPerSecond - kSecondsFrom1601To1970);
    double fraction = static_cast<double>(units % kUnitsPerSecond) / kUnitsPerSecond;
    std::tm local{};
    localtime_r(&unix_seconds, &local);
    // timegm of the local broken-down time gives the local wall clock as seconds since 1970.
    int64_t wall = static_cast<int64_t>(timegm(&local));
    return static_cast<double>(kDaysFrom1899To1970) + (static_cast<double>(wall) + fraction) / 86400.0;
}

std::pair<uint16_t, uint16_t> filetime_to_dos(uint64_t filetime) {
    const auto seconds = static_cast<std::time_t>(static_cast<int64_t>(filetime / kUnitsPerSecond) - kSecondsFrom1601To1970);
    std::tm utc{};
    if (filetime == 0 || !gmtime_r(&seconds, &utc) || utc.tm_year < 80 || utc.tm_year > 207) return {0, 0};
    return {static_cast<uint16_t>((utc.tm_year - 80) << 9 | (utc.tm_mon + 1) << 5 | utc.tm_mday),
            static_cast<uint16_t>(utc.tm_hour << 11 | utc.tm_min << 5 | utc.tm_sec / 2)};
}

uint64_t filetime_from_dos(uint16_t date, uint16_t time) {
    if (date == 0) return 0;
    std::tm utc{};
    utc.tm_year = (date >> 9) + 80;
    utc.tm_mon = ((date >> 5) & 0xF) - 1;
    utc.tm_mday = date & 0x1F;
    utc.tm_hour = time >> 11;
    utc.tm_min = (time >> 5) & 0x3F;
    utc.tm_sec = (time & 0x1F) * 2;
    return filetime_from_unix(static_cast<int64_t>(timegm(&utc)));
}

}  // namespace platform::inet
