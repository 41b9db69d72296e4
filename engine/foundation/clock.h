#pragma once
// The engine's wall clock. Everything that stamps or names something by date (the daily log, the
// schedule) asks here, so a test can stand the clock on any day and moment.
#include <functional>

namespace engine {

struct LocalTime {
    int year = 0;    // four digits
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
};

// The local time of the host, or of the source set below.
LocalTime now();

// Replaces the clock; an empty function puts the host clock back.
void set_clock(std::function<LocalTime()> source);

// A clock that reads `start` now and runs on with the host's clock from there, so a whole
// program can be stood on another day and moment and still see its minutes pass.
void set_clock_start(const LocalTime& start);

// The day of the week of a date, Sunday = 1 ... Saturday = 7.
int weekday(const LocalTime& time);
// "Sunday" ... "Saturday".
const char* weekday_name(int weekday);

}  // namespace engine
