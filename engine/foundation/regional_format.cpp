#include "engine/foundation/regional_format.h"

#include <array>
#include <cstdio>
#include <functional>
#include <optional>

#include "platform/machine/machine.h"

namespace engine {

namespace {

constexpr std::string_view kInternational = "Control Panel\\International";

// The registry keeps only the pictures; names come with the locale, and these are the en-US ones.
constexpr std::array<std::string_view, 12> kMonthNames = {"January", "February", "March",     "April",
                                                          "May",     "June",     "July",      "August",
                                                          "September", "October", "November", "December"};
constexpr std::array<std::string_view, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};

std::string number(int value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
    return buffer;
}

// Sakamoto's method: 0 = Sunday.
int day_of_week(const LocalTime& t) {
    static constexpr int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int year = t.month < 3 ? t.year - 1 : t.year;
    return (year + year / 4 - year / 100 + year / 400 + offsets[(t.month - 1) % 12] + t.day) % 7;
}

// Walks a picture: quoted text is copied without its quotes ('' is one quote), a run of one
// pattern letter goes to render(letter, run length), anything else is copied as it is.
std::string expand_picture(std::string_view picture, std::string_view letters,
                           const std::function<std::string(char, size_t)>& render) {
    std::string out;
    for (size_t i = 0; i < picture.size();) {
        char c = picture[i];
        if (c == '\'') {
            size_t j = i + 1;
            for (; j < picture.size(); ++j) {
                if (picture[j] != '\'') {
                    out += picture[j];
                } else if (j + 1 < picture.size() && picture[j + 1] == '\'') {
                    out += '\'';
                    ++j;
                } else {
                    break;
                }
            }
            if (j == i + 1 && j < picture.size()) out += '\'';  // '' outside quoted text
            i = j + 1;
            continue;
        }
        if (letters.find(c) == std::string_view::npos) {
            out += c;
            ++i;
            continue;
        }
        size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        out += render(c, run);
        i += run;
    }
    return out;
}

std::optional<std::string> international(std::string_view name) {
    if (!platform::has_current_machine()) return std::nullopt;
    platform::registry::Value value;
    auto status = platform::current_machine().registry().query_value(platform::registry::Root::CurrentUser,
                                                                       kInternational, name, value);
    if (status != platform::registry::Status::Ok) return std::nullopt;
    if (value.type != platform::registry::type::Sz && value.type != platform::registry::type::ExpandSz) {
        return std::nullopt;
    }
    std::string text(value.data.begin(), value.data.end());
    if (size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

// A picture that is missing or empty falls back to the en-US one, as Windows does for a broken setting.
std::string picture_or(std::string_view name, std::string_view fallback) {
    auto picture = international(name);
    return picture && !picture->empty() ? *picture : std::string(fallback);
}

}  // namespace

std::string format_date(const LocalTime& t, std::string_view picture) {
    return expand_picture(picture, "dMyg", [&](char letter, size_t run) -> std::string {
        switch (letter) {
            case 'd':
                if (run <= 2) return number(t.day, static_cast<int>(run));
                return std::string(run == 3 ? kDayNames[day_of_week(t)].substr(0, 3) : kDayNames[day_of_week(t)]);
            case 'M':
                if (run <= 2) return number(t.month, static_cast<int>(run));
                return std::string(run == 3 ? kMonthNames[t.month - 1].substr(0, 3) : kMonthNames[t.month - 1]);
            case 'y':
                if (run == 1) return std::to_string(t.year % 100);
                if (run == 2) return number(t.year % 100, 2);
                return number(t.year, 4);
            default:
                return "A.D.";
        }
    });
}

std::string format_time(const LocalTime& t, std::string_view picture, std::string_view am, std::string_view pm) {
    std::string_view designator = t.hour < 12 ? am : pm;
    return expand_picture(picture, "hHmst", [&](char letter, size_t run) -> std::string {
        int digits = run >= 2 ? 2 : 1;
        switch (letter) {
            case 'h':
                return number(t.hour % 12 == 0 ? 12 : t.hour % 12, digits);
            case 'H':
                return number(t.hour, digits);
            case 'm':
                return number(t.minute, digits);
            case 's':
                return number(t.second, digits);
            default:
                return std::string(run == 1 ? designator.substr(0, 1) : designator);
        }
    });
}

std::string short_date_text(const LocalTime& time) { return format_date(time, picture_or("sShortDate", "M/d/yyyy")); }

std::string time_text(const LocalTime& time) {
    return format_time(time, picture_or("sTimeFormat", "h:mm:ss tt"), international("s1159").value_or("AM"),
                       international("s2359").value_or("PM"));
}

}  // namespace engine
