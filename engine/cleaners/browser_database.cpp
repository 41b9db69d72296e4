#include "engine/cleaners/browser_database.h"

#include "engine/cleaners/trace_shredding.h"
#include "engine/shredder/refusal.h"
#include "platform/machine/machine.h"

namespace engine {

namespace {

using platform::sqlite::ChangeResult;

constexpr std::string_view kInUseMessage = "msg640";
constexpr std::string_view kDamagedMessage = "msg641";
constexpr std::string_view kRestoredMessage = "msg642";
constexpr std::string_view kFailedMessage = "msg643";
constexpr std::string_view kProfileInUseMessage = "msg644";

}  // namespace

bool clean_browser_database(Event<std::string>& show_log, const std::string& windows_path,
                            const platform::sqlite::Change& change) {
    const ChangeResult result =
        platform::sqlite::change_database(platform::current_machine().files(), windows_path, change);
    const std::string detail = result.detail.empty() ? windows_path : windows_path + " (" + result.detail + ")";
    switch (result.outcome) {
        case ChangeResult::Changed: return true;
        case ChangeResult::Missing: break;
        case ChangeResult::Refused: report_to_log(show_log, kRefusedMessage, windows_path); break;
        case ChangeResult::InUse: report_to_log(show_log, kInUseMessage, windows_path); break;
        case ChangeResult::Damaged: report_to_log(show_log, kDamagedMessage, detail); break;
        case ChangeResult::Failed: report_to_log(show_log, kFailedMessage, detail); break;
        case ChangeResult::Restored: report_to_log(show_log, kRestoredMessage, windows_path); break;
    }
    return false;
}

void report_profile_in_use(Event<std::string>& show_log, const std::string& profile_folder) {
    report_to_log(show_log, kProfileInUseMessage, profile_folder);
}

}  // namespace engine
