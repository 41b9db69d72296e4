#include "engine/scheduler/schedule.h"

#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "platform/text/trim.h"

namespace engine {

using platform::text::trim_blanks;

TAVRIN_ENGINE_CLASS(Schedule, "{C368C225-8828-413D-8890-21D54513972D}");

namespace {

constexpr const char* kScheduleKey = "Software\\lumarq2\\schedule";

// A one-character hour or minute gets its "0" in front; an empty or longer one stays as it is.
void pad_to_two_digits(std::string& value) {
    auto trimmed = trim_blanks(value);
    if (trimmed.size() == 1) value = "0" + std::string(trimmed);
}

void write(const char* name, std::string_view value) {
    ignore_errors([&] {
        cRegistry reg;
        reg.ValueEx(HKEY_CURRENT_USER, kScheduleKey, name, REG_SZ, Variant(""), Variant(std::string(trim_blanks(value))));
    });
}

std::string read(cRegistry& reg, const char* name) {
    return reg.ValueEx(HKEY_CURRENT_USER, kScheduleKey, name, REG_SZ, Variant("")).to_text();
}

}  // namespace

void Schedule::SaveSchedule() {
    write("Type", type_);
    write("Day", day_);
    write("Date", date_);
    pad_to_two_digits(hour_);
    write("Hour", hour_);
    pad_to_two_digits(minutes_);
    write("Minutes", minutes_);
    write("AMPM", ampm_);
    write("Interval", interval_);
}

void Schedule::LoadSchedule() {
    cRegistry reg;
    type_ = read(reg, "Type");
    day_ = read(reg, "Day");
    date_ = read(reg, "Date");
    hour_ = read(reg, "Hour");
    minutes_ = read(reg, "Minutes");
    ampm_ = read(reg, "AMPM");
    interval_ = read(reg, "Interval");
}

}  // namespace engine
