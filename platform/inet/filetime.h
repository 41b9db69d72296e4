#pragma once
// FILETIME, the time stamp of the URL stores: 100 ns units since 1601-01-01 UTC.
#include <cstdint>

namespace platform::inet {

uint64_t filetime_now();
uint64_t filetime_from_unix(int64_t unix_seconds);
// The moment as a date value in local time: days since 1899-12-30 00:00, the time of day as
// the fraction (the automation date every caller of the URL history expects).
double filetime_to_local_date(uint64_t filetime);

}  // namespace platform::inet
