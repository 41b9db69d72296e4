#include "app/features/schedule/schedule_screen.h"

#include <chrono>
#include <memory>

#include "app/features/schedule/schedule_check.h"
#include "app/kernel/option_state.h"
#include "app/kernel/shell.h"
#include "app/settings/option_list.h"
#include "engine/foundation/clock.h"
#include "engine/foundation/engine_error.h"
#include "engine/scheduler/due_time.h"
#include "engine/scheduler/schedule.h"
#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"

namespace app {

using platform::text::iequals;
using platform::text::trim_blanks;

namespace {

constexpr std::chrono::milliseconds kScheduleCheckInterval{1000};

// The positions of the screen's comma list.
enum Position : size_t { kType, kDay, kDate, kHour, kMinutes, kAmFlag, kPmFlag, kInterval };

// A custom schedule counts from the moment it is saved: the hour on the 12-hour clock, the
// minute, and the half of the day they belong to, so that the hour means the same at the check.
void take_the_time_now(engine::Schedule& schedule) {
    const engine::LocalTime time = engine::now();
    schedule.Hour(std::to_string(time.hour > 12 ? time.hour - 12 : time.hour));
    schedule.Minutes(std::to_string(time.minute));
    schedule.AMPM(time.hour < 12 ? "AM" : "PM");
}

const Question kScheduleQuestion{"msg37", "msg38", sign::Warning};

void read_schedule_state(ScheduleArming& arming) {
    engine::Schedule stored;
    stored.LoadSchedule();
    arming.armed = engine::names_a_schedule(stored.Schedule_Type());
}

}  // namespace

void loadScheduleScreen(Shell& shell) {
    engine::Schedule stored;
    stored.LoadSchedule();
    auto push = [&shell](const char* name, const std::string& value) {
        shell.stage().set_variable(kMainMovie, name, value);
    };
    push("_root.TypeOfSchedule", stored.Schedule_Type());
    push("_root.CurrentDayName", stored.Day());
    push("_root.CurrentDayNumber", stored.Schedule_Date());
    push("_root.CurrentHour", stored.Hour());
    push("_root.CurrentMinute", stored.Minutes());
    if (stored.AMPM() == "AM") push("_root.CurrentAm", "1");
    if (stored.AMPM() == "PM") push("_root.CurrentPm", "1");
    push("_root.CurrentCustom", stored.Interval());
}

void save_schedule_options(Shell& shell, ScheduleArming& arming, const std::string& args) {
    const OptionList options(args);
    const std::string type(trim_blanks(options.text(kType)));
    engine::Schedule schedule;
    // Only a type the check knows arms it, as at start-up: "NONE" or a mistyped type is no
    // schedule. The type is read from its own position, so a day or interval field can't change it.
    arming.armed = engine::names_a_schedule(type);
    schedule.Day(options.text(kDay));
    schedule.Schedule_Date(options.text(kDate));
    if (options.ticked(kAmFlag)) schedule.AMPM("AM");
    if (options.ticked(kPmFlag)) schedule.AMPM("PM");
    if (iequals(type, "CUSTOM")) {
        schedule.Schedule_Type("Custom");
        take_the_time_now(schedule);
    } else {
        schedule.Schedule_Type(options.text(kType));
        schedule.Hour(options.text(kHour));
        schedule.Minutes(options.text(kMinutes));
    }
    schedule.Interval(std::string(trim_blanks(options.text(kInterval))));
    schedule.SaveSchedule();
    save_check_boxes(shell);
    save_buttons(shell);
    shell.notify_completion();
}

void register_schedule_rows(Shell& shell) {
    auto arming = std::make_shared<ScheduleArming>();
    shell.add_load_step(LoadStep::ScheduleState, [arming] { read_schedule_state(*arming); });
    shell.add_load_step(LoadStep::ScheduleScreen, [&shell] { loadScheduleScreen(shell); });
    shell.commands().add("IDC_FS_SAVESCHEDULEOPTIONS",
                         [&shell, arming](const std::string& args) { save_schedule_options(shell, *arming, args); });
    shell.add_exit_question([&shell, arming] { return !arming->armed || shell.confirm(kScheduleQuestion); });
    shell.add_load_step(LoadStep::Finishing, [&shell, arming] {
        auto check = std::make_shared<ScheduleCheck>(shell, *arming);
        shell.stage().add_timer(kScheduleCheckInterval, [check] { engine::ignore_errors([&] { check->tick(); }); });
    });
}

}  // namespace app
