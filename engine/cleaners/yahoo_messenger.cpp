#include "engine/cleaners/yahoo_messenger.h"

#include "engine/cleaners/trace_locations.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "engine/tools/system.h"
#include "platform/text/trim.h"

namespace engine {

TAVRIN_ENGINE_CLASS(YahooMessenger, "{B8D19B52-F8D5-496C-B671-6996A413FD29}");

namespace {

constexpr const char* kSource = "Tavrin.YahooMessenger";

}  // namespace

int32_t YahooMessenger::CleanYahooPager() {
    yahooDir_ = registry_text(HKEY_LOCAL_MACHINE, "SOFTWARE\\Yahoo\\Essentials", "mainDir");
    if (platform::text::is_blank(yahooDir_)) yahooDir_ = find_program_folder("yahoo");
    if (yahooDir_.empty()) {
        report_to_log(ShowLog, kNotFoundMessage, "Yahoo Messenger folder");
        return 0;
    }
    pagerLogFile_ = yahooDir_ + "\\messenger\\YPager.log";
    shred_file(ShowLog, kSource, pagerLogFile_);
    return 0;
}

int32_t YahooMessenger::CleanYahooProfiles() {
    cRegistry reg;
    EventRelay relay(reg.ShowLog, ShowLog);
    for (std::string key :
         {"HKEY_CURRENT_USER\\Software\\Yahoo\\Profiles", "HKEY_CURRENT_USER\\Software\\Yahoo\\pager\\profiles"})
        reg.del_reg_sub(key);
    std::string drive = System().getWDirectory().substr(0, 3);
    // A folder that cannot be removed still leaves the user name to delete.
    ignore_errors(
        [&] { shred_folder(ShowLog, kSource, drive + "Program Files\\Yahoo!\\Messenger\\Profiles", false, "*"); });
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey("Software\\Yahoo\\pager");
    reg.ValueKey("Yahoo! User ID");
    reg.DeleteValue();
    return 0;
}

}  // namespace engine
