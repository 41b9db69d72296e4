#include "app/cli/scheduled_run.h"

#include <algorithm>

#include "app/settings/profile_store.h"
#include "engine/scheduler/schedule.h"
#include "platform/text/ascii_case.h"

namespace app::cli {

using platform::text::iequals;

namespace {

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

int run_schedule_once(const std::string& profile, std::ostream& out, std::ostream& err) {
    const auto profiles = profile_store::profiles();
    const bool known = std::any_of(profiles.begin(), profiles.end(),
                                   [&](const std::string& name) { return iequals(name, profile); });
    if (!known || !profile_store::usable_name(profile)) {
        err << "tavrinapp: there is no profile named \"" << profile << "\" on this machine; "
            << (profiles.empty() ? "it has no profiles yet (a profile is saved when the program ends)"
                                 : "its profiles are: " + joined(profiles))
            << ". Nothing was cleaned.\n";
        return exit_status::kNoSuchProfile;
    }
    engine::Schedule schedule;
    schedule.Profile(profile);
    schedule.AddToLog.subscribe([&out](std::string& line) { out << line << std::endl; });
    schedule.RunSchedule();
    return exit_status::kSuccess;
}

}  // namespace app::cli
