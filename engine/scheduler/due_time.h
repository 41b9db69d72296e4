#pragma once
// When the stored schedule falls due: the test the program's schedule check makes every second.
#include <optional>
#include <string_view>

#include "engine/foundation/clock.h"

namespace engine {

class Schedule;

// "DAILY", "WEEKLY", "MONTHLY" or "CUSTOM" in any letter case: a type that arms the schedule.
// Anything else ("NONE", empty, a mistyped name) is no schedule.
bool names_a_schedule(std::string_view type);

// Whether the schedule is due in the minute of `time`. The types compare upper-cased:
//   DAILY    the stored hour and the two-digit Minutes are the hour and minute of `time`;
//   WEEKLY   the same on the day named by Day (any letter case);
//   MONTHLY  the same on the day of the month Schedule_Date names (never in a month without it);
//   CUSTOM   the minute is Minutes, the hour is another than the stored one and lies a whole
//            number of Intervals from it (an Interval that is no positive number never is).
// Any other type is no schedule. Hour and Minutes must be written with two digits for the first
// three types: a "7" stored by hand is never due.
bool is_due(const Schedule& schedule, const LocalTime& time);

// The stored hour on the 24-hour clock. With AMPM "AM" or "PM" (any case) Hour is on the 12-hour
// clock (12 AM is 0, 12 PM is 12); without either it is taken as the 24-hour hour it names.
// nullopt when Hour is no hour at all.
std::optional<int> hour_of_day(std::string_view hour, std::string_view ampm);

}  // namespace engine
