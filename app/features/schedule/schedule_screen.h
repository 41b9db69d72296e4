#pragma once
// The schedule screen: the stored schedule pushed into the main movie at start-up, and the
// screen's values saved as the schedule (IDC_FS_SAVESCHEDULEOPTIONS).
#include <string>

namespace app {

class Shell;

// Pushes the stored schedule into the screen's fields; a value never saved shows empty.
void loadScheduleScreen(Shell& shell);

struct ScheduleArming;

// Saves the comma list "type,day,date,hour,minutes,AM flag,PM flag,interval", arms or disarms
// the schedule check, saves the ticks of the current profile and shows the completion notice.
// A custom schedule counts from now: its hour and minute are taken from the clock.
void save_schedule_options(Shell& shell, ScheduleArming& arming, const std::string& args);

// The row, the start-up steps (the armed state first, the screen's values later), the question
// the close button asks while a schedule is armed, and the schedule check.
void register_schedule_rows(Shell& shell);

}  // namespace app
