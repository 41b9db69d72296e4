#pragma once
// Dates and times as text in the user's regional settings (HKCU\Control Panel\International of the
// machine): what the platform's default date-to-text and time-to-text conversions produce.
#include <string>
#include <string_view>

#include "engine/foundation/clock.h"

namespace engine {

// A Windows date picture: d dd ddd dddd, M MM MMM MMMM, y yy yyyy, g, 'quoted text'.
std::string format_date(const LocalTime& time, std::string_view picture);
// A Windows time picture: h hh H HH, m mm, s ss, t tt (from the AM/PM designators), 'quoted text'.
std::string format_time(const LocalTime& time, std::string_view picture, std::string_view am, std::string_view pm);

// sShortDate of the current machine's user (en-US "M/d/yyyy" when unset).
std::string short_date_text(const LocalTime& time);
// sTimeFormat with s1159/s2359 of the current machine's user (en-US "h:mm:ss tt" when unset).
std::string time_text(const LocalTime& time);

}  // namespace engine
