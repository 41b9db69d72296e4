#include "engine/scheduler/due_time.h"

#include <string>

#include "engine/scheduler/schedule.h"
#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"

namespace engine {

using platform::text::iequals;
using platform::text::to_upper;
using platform::text::trim_blanks;

namespace {

// Digits only, blanks around them allowed; nullopt for anything else and for more than fit.
std::optional<int> whole_number(std::string_view text) {
    text = trim_blanks(text);
    if (text.empty() || text.size() > 6) return std::nullopt;
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

std::string two_digits(int number) { return (number < 10 ? "0" : "") + std::to_string(number); }

// The stored hour and minute, both written with two digits, are the hour and minute of `time`.
bool at_stored_time(const Schedule& schedule, const LocalTime& time) {
    if (schedule.Hour().size() != 2 || schedule.Minutes() != two_digits(time.minute)) return false;
    return hour_of_day(schedule.Hour(), schedule.AMPM()) == time.hour;
}

bool custom_due(const Schedule& schedule, const LocalTime& time) {
    auto minute = whole_number(schedule.Minutes());
    auto hour = hour_of_day(schedule.Hour(), schedule.AMPM());
    auto interval = whole_number(schedule.Interval());
    if (!minute || !hour || !interval || *interval == 0) return false;
    return time.minute == *minute && time.hour != *hour && (time.hour - *hour) % *interval == 0;
}

}  // namespace

std::optional<int> hour_of_day(std::string_view hour, std::string_view ampm) {
    auto number = whole_number(hour);
    if (!number) return std::nullopt;
    const bool am = iequals(trim_blanks(ampm), "AM"), pm = iequals(trim_blanks(ampm), "PM");
    if (!am && !pm) return *number <= 23 ? number : std::nullopt;
    if (*number > 12) return std::nullopt;
    return *number % 12 + (pm ? 12 : 0);
}

bool names_a_schedule(std::string_view type) {
    const std::string upper = to_upper(type);
    return upper == "DAILY" || upper == "WEEKLY" || upper == "MONTHLY" || upper == "CUSTOM";
}

bool is_due(const Schedule& schedule, const LocalTime& time) {
    const std::string type = to_upper(schedule.Schedule_Type());
    if (type == "DAILY") return at_stored_time(schedule, time);
    if (type == "WEEKLY") return iequals(schedule.Day(), weekday_name(weekday(time))) && at_stored_time(schedule, time);
    if (type == "MONTHLY") return whole_number(schedule.Schedule_Date()) == time.day && at_stored_time(schedule, time);
    if (type == "CUSTOM") return custom_due(schedule, time);
    return false;
}

}  // namespace engine
