#include "app/cli/scheduled_run.h"

#include <algorithm>

#include "app/cli/message_texts.h"
#include "app/kernel/removal_report.h"
#include "app/settings/profile_store.h"
#include "app/texts/fill_in.h"
#include "engine/scheduler/schedule.h"
#include "platform/machine/machine.h"
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

std::string missing_profile(const std::string& profile) {
    const auto profiles = profile_store::profiles();
    const bool known =
        std::any_of(profiles.begin(), profiles.end(), [&](const std::string& name) { return iequals(name, profile); });
    if (known && profile_store::usable_name(profile)) return {};
    const Texts texts = message_texts();
    return fill_in(texts("msg887"), {profile}) + "; " +
           (profiles.empty() ? texts("msg889") : fill_in(texts("msg888"), {joined(profiles)}));
}

int run_schedule_once(const std::string& profile, std::ostream& out, std::ostream& err) {
    if (const std::string missing = missing_profile(profile); !missing.empty()) {
        err << "tavrinapp: " << missing << ". " << message_texts()("msg890") << "\n";
        return exit_status::kNoSuchProfile;
    }
    engine::Schedule schedule;
    schedule.Profile(profile);
    auto& machine = platform::current_machine();
    std::vector<platform::Removed> removed;
    {
        platform::Recording recording(machine, platform::RemovalLog::Mode::Record);
        machine.removals().set_group("profile " + profile);
        schedule.RunSchedule();
        removed = recording.finish();
    }
    // As `clean` says it: every removal with its full path and size, then the totals.
    const Texts texts = message_texts();
    for (const auto& line : grouped_lines(removed, texts)) out << line << "\n";
    out << completion_text(removed, texts) << "\n";
    return exit_status::kSuccess;
}

}  // namespace app::cli
