#include "app/cli/test_clock.h"

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace app::cli {

namespace {

// The digits at [at, at + count) as a number; nullopt when any of them is no digit.
std::optional<int> digits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int number = 0;
    for (char c : text.substr(at, count)) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

bool valid_date(int year, int month, int day) {
    using namespace std::chrono;
    return year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                          std::chrono::day{static_cast<unsigned>(day)}}
        .ok();
}

}  // namespace

std::optional<engine::LocalTime> parse_clock_start(std::string_view text) {
    if (text.size() != 16 && text.size() != 19) return std::nullopt;
    if (text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') || text[13] != ':') return std::nullopt;
    if (text.size() == 19 && text[16] != ':') return std::nullopt;
    auto year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    auto hour = digits(text, 11, 2), minute = digits(text, 14, 2);
    auto second = text.size() == 19 ? digits(text, 17, 2) : std::optional<int>(0);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (!valid_date(*year, *month, *day) || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
    return engine::LocalTime{*year, *month, *day, *hour, *minute, *second};
}

void apply_test_clock() {
    const char* value = std::getenv(kTestClockVariable);
    if (!value) return;
    auto start = parse_clock_start(value);
    if (!start)
        throw std::invalid_argument(std::string(kTestClockVariable) + "=\"" + value +
                                    "\" is no time; write it as YYYY-MM-DDTHH:MM or YYYY-MM-DDTHH:MM:SS");
    engine::set_clock_start(*start);
}

}  // namespace app::cli
