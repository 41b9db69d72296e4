#pragma once
// The headless scheduled run: what cron or a systemd timer starts when the program is closed.
#include <ostream>
#include <string>

#include "app/cli/exit_status.h"

namespace app::cli {

// Cleans what the profile ticks on the current machine, once, exactly as the schedule does, then
// writes to `out` what was removed, each with its full path and size, and the totals, as `clean`
// does. The profile must exist (its name in any letter
// case, as the registry compares key names); otherwise nothing is cleaned, `err` names the
// profiles there are, and the result is exit_status::kNoSuchProfile; kSuccess after a run.
int run_schedule_once(const std::string& profile, std::ostream& out, std::ostream& err);

// Why a profile name is refused, in the screens' language: the machine has no such profile, and
// the profiles it has (or that it has none yet). Empty when the profile exists.
std::string missing_profile(const std::string& profile);

}  // namespace app::cli
