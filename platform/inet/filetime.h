#pragma once
// FILETIME, the time stamp of the URL stores: 100 ns units since 1601-01-01 UTC.
#include <cstdint>
#include <utility>

namespace platform::inet {

uint64_t filetime_now();
uint64_t filetime_from_unix(int64_t unix_seconds);
// The moment as a date value in local time: days since 1899-12-30 00:00, the time of day as
// the fraction (the automation date every caller of the URL history expects).
double filetime_to_local_date(uint64_t filetime);
// The moment as a FAT date and time (UTC, two-second steps), as the URL stores keep expiry
// times: {0, 0} for 0 and for moments outside 1980-2107.
std::pair<uint16_t, uint16_t> filetime_to_dos(uint64_t filetime);
uint64_t filetime_from_dos(uint16_t date, uint16_t time);

}  // namespace platform::inet
