#include "app/features/schedule/schedule_check.h"

#include "app/kernel/log_relay.h"
#include "app/kernel/read_only_machine.h"
#include "app/kernel/shell.h"
#include "engine/foundation/hooks.h"
#include "engine/scheduler/due_time.h"
#include "engine/scheduler/schedule.h"

namespace app {

ScheduleCheck::Minute ScheduleCheck::minute_of(const engine::LocalTime& time) {
    return {time.year, time.month, time.day, time.hour, time.minute};
}

// The check disarmed itself for the minute it ran in; a later minute arms it again unless the
// user has stored "no schedule" since.
void ScheduleCheck::rearm_after(const Minute& now) {
    if (!fired_ || *fired_ == now) return;
    fired_.reset();
    if (arming_.armed) return;
    engine::Schedule stored;
    stored.LoadSchedule();
    arming_.armed = engine::names_a_schedule(stored.Schedule_Type());
}

void ScheduleCheck::tick() {
    const engine::LocalTime time = engine::now();
    rearm_after(minute_of(time));
    // A run lets the screens breathe as it goes; a tick in the middle of it starts nothing.
    if (!arming_.armed || running_ || fired_) return;
    engine::Schedule schedule;
    schedule.LoadSchedule();
    if (!engine::is_due(schedule, time)) return;
    fired_ = minute_of(time);
    arming_.armed = false;
    run_due_schedule();
}

void ScheduleCheck::run_due_schedule() {
    struct Running {
        bool& flag;
        explicit Running(bool& running) : flag(running) { flag = true; }
        ~Running() { flag = false; }
    } running(running_);
    if (refused_on_read_only_machine(shell_)) return;
    // The screens wait for the run as they wait for a clean command.
    engine::BusyPointer busy;
    logged_run(shell_, [this] {
        engine::Schedule schedule;
        schedule.Profile(shell_.current_profile());
        LogRelay relay(schedule.AddToLog, into_log_window(shell_.log_window()));
        schedule.RunSchedule();
    });
    // No command ends here, so the run's changes are saved as a command's would be.
    shell_.save_after_command();
}

}  // namespace app
