// Schedule::RunSchedule: the ticks of a profile, cleaned without the user, row by row in a fixed
// order whatever order the profile stored them in.
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/cleaners/aol.h"
#include "engine/cleaners/firefox.h"
#include "engine/cleaners/icq.h"
#include "engine/cleaners/ie.h"
#include "engine/cleaners/misc_functions.h"
#include "engine/cleaners/msn.h"
#include "engine/cleaners/netscape.h"
#include "engine/cleaners/office.h"
#include "engine/cleaners/opera.h"
#include "engine/cleaners/yahoo_messenger.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/message_text.h"
#include "engine/foundation/profile_key.h"
#include "engine/scheduler/schedule.h"
#include "platform/registry/registry.h"

namespace engine {

namespace {

// Said in the log, followed by the profile's name, when the profile to clean is gone.
constexpr const char* kNoSuchProfileMessage = "msg300";

// The ten engine objects of one run, each created through the class table; a slot whose class
// cannot be created stays empty and its rows are passed over.
struct Cleaners {
    std::shared_ptr<Misc_Functions> misc = create<Misc_Functions>("Misc_Functions");
    std::shared_ptr<IE> ie1 = create<IE>("IE");
    std::shared_ptr<Netscape> NS = create<Netscape>("Netscape");
    std::shared_ptr<FireFox> ff = create<FireFox>("FireFox");
    std::shared_ptr<Opera> op = create<Opera>("Opera");
    std::shared_ptr<AOL> ao = create<AOL>("AOL");
    std::shared_ptr<Office> off = create<Office>("Office");
    std::shared_ptr<MSN> msn1 = create<MSN>("MSN");
    std::shared_ptr<YahooMessenger> ya = create<YahooMessenger>("YahooMessenger");
    std::shared_ptr<ICQ> icq1 = create<ICQ>("ICQ");
};

// Every line a cleaner logs is the run's own AddToLog while the run lasts.
class LogRelays {
public:
    LogRelays(Cleaners& cleaners, Event<std::string>& to) {
        relay_each(to, cleaners.misc, cleaners.ie1, cleaners.NS, cleaners.ff, cleaners.op, cleaners.ao, cleaners.off,
                   cleaners.msn1, cleaners.ya, cleaners.icq1);
    }

private:
    template <class... Cleaner>
    void relay_each(Event<std::string>& to, const std::shared_ptr<Cleaner>&... cleaners) {
        (relay(to, cleaners), ...);
    }
    template <class Cleaner>
    void relay(Event<std::string>& to, const std::shared_ptr<Cleaner>& cleaner) {
        if (cleaner) relays_.push_back(std::make_unique<EventRelay<std::string>>(cleaner->ShowLog, to));
    }
    std::vector<std::unique_ptr<EventRelay<std::string>>> relays_;
};

// One row: when the check box reads `when`, the member is called on the row's object.
struct Row {
    const char* check_box;
    const char* when;
    std::function<void(Cleaners&)> clean;
    bool on_schedule = true;
};

template <auto Slot, class Member>
Row row(const char* check_box, Member member, const char* when = "true") {
    return {check_box, when, [member](Cleaners& cleaners) {
                if (auto& cleaner = cleaners.*Slot) std::invoke(member, *cleaner);
            }};
}

// A tweak called with its flag set.
template <class Tweak>
Row tweak(const char* check_box, Tweak tweak) {
    return row<&Cleaners::misc>(check_box, [tweak](Misc_Functions& misc) { (misc.*tweak)(true); });
}

// A row the command line cleans when it names the item, but a schedule never runs: the Run
// dialog's box is stored with the profile, yet the scheduled run has never read it, and a
// schedule the user set up long ago keeps doing what it did.
Row named_only(Row row) {
    row.on_schedule = false;
    return row;
}

const std::vector<Row>& rows() {
    using M = Misc_Functions;
    static const std::vector<Row> kRows = {
        tweak("_root.WIN_BF", &M::BootFaster),
        row<&Cleaners::misc>("_root.WIN_TF", &M::CleanTemp),
        row<&Cleaners::misc>("_root.WIN_CBTF", &M::DeleteCDBurningFolder),
        row<&Cleaners::misc>("_root.WIN_RB", &M::CleanRecycleBin),
        row<&Cleaners::misc>("_root.WIN_DRA", &M::DeleteDirect3DMRU),
        row<&Cleaners::misc>("_root.WIN_DIRA", &M::DeleteDirectInputMRU),
        row<&Cleaners::misc>("_root.WIN_DDRA", &M::DeleteDirectDrawMRU),
        row<&Cleaners::misc>("_root.WIN_CBD", &M::CleanClipboard),
        row<&Cleaners::misc>("_root.WIN_UAH", &M::CleanUserAssistHistory),
        row<&Cleaners::misc>("_root.WIN_CDH", &M::CleanCommonDialog),
        row<&Cleaners::misc>("_root.WIN_MSPRF", &M::DeleteMsPaintMRU),
        row<&Cleaners::misc>("_root.WIN_WRF", &M::CleanWordpadHistory),
        row<&Cleaners::misc>("_root.WIN_MPRF", &M::CleanMediaPlayerHistory),
        named_only(row<&Cleaners::misc>("_root.WIN_CREH", &M::CleanRunDialog)),
        row<&Cleaners::misc>("_root.WIN_RH", &M::CleanRegEdit),
        row<&Cleaners::misc>("_root.WIN_FH", &M::CleanFindHistory),
        row<&Cleaners::misc>("_root.WIN_RD", &M::CleanRecent),
        row<&Cleaners::misc>("_root.WIN_RNC", &M::CleanNetworkConnections),
        row<&Cleaners::misc>("_root.WIN_RPC", &M::CleanPrinterConnections),
        row<&Cleaners::misc>("_root.WIN_RRC", &M::CleanRegEdit),
        row<&Cleaners::misc>("_root.WIN_TEM", &M::DeleteTemplatesFolder),
        tweak("_root.WIN_OHWI", &M::Optimize_HardDisk_when_idle),
        tweak("_root.WIN_CWTF", &M::FlatWindows),
        tweak("_root.WIN_EAS", &M::EnableAutomaticSharing),
        row<&Cleaners::misc>("_root.WIN_CWLF", &M::CleanWindowsLogFiles),
        row<&Cleaners::ie1>("_root.IE_TU", &IE::CleanTypedUrls),
        // The auto-complete box means on schedule what it means on the screen: ticked switches
        // inline auto-completion off, unticked switches it back on, and a box the profile never
        // stored leaves it alone.
        row<&Cleaners::ie1>("_root.IE_AC", &IE::DisableAutoComplete, "true"),
        row<&Cleaners::ie1>("_root.IE_AC", &IE::EnableAutoComplete, "false"),
        row<&Cleaners::ie1>("_root.IE_DF", &IE::CleanDownloadDirectory),
        row<&Cleaners::ie1>("_root.IE_CA", delete_cache_entries),
        row<&Cleaners::ie1>("_root.IE_HI", &IE::CleanHistory),
        row<&Cleaners::ie1>("_root.IE_CO", &IE::Remove_Cookies),
        row<&Cleaners::NS>("_root.NS_MT", &Netscape::Delete_Mail),
        row<&Cleaners::NS>("_root.NS_HI", &Netscape::Delete_History),
        row<&Cleaners::NS>("_root.NS_CA", &Netscape::Delete_Cache),
        row<&Cleaners::NS>("_root.NS_AC", &Netscape::Delete_AutoComplete),
        row<&Cleaners::NS>("_root.NS_CO", &Netscape::Delete_Cookies),
        row<&Cleaners::ff>("_root.FF_CHATU", &FireFox::Delete_History),
        row<&Cleaners::ff>("_root.FF_CCA", &FireFox::Delete_Cache),
        row<&Cleaners::ff>("_root.FF_CCO", &FireFox::Delete_Cookies),
        row<&Cleaners::ff>("_root.FF_CB", &FireFox::Delete_Bookmarks),
        row<&Cleaners::op>("_root.OP_HI", &Opera::CleanHistory),
        row<&Cleaners::op>("_root.OP_CO", &Opera::CleanCookies),
        row<&Cleaners::op>("_root.OP_CA", &Opera::CleanCache),
        row<&Cleaners::ao>("_root.AOL_ICF", &AOL::CleanAOLTemp),
        row<&Cleaners::ao>("_root.AOL_DF", &AOL::CleanAOLDownloads),
        row<&Cleaners::off>("_root.MO_AM", &Office::CleanOfficeAccessMRU),
        row<&Cleaners::off>("_root.MO_WM", &Office::CleanOfficeWordMRU),
        row<&Cleaners::off>("_root.MO_EM", &Office::CleanOfficeExcelMRU),
        row<&Cleaners::off>("_root.MO_OM", &Office::CleanOfficeOutlookMRU),
        row<&Cleaners::off>("_root.MO_PM", &Office::CleanOfficePowerPointMRU),
        row<&Cleaners::off>("_root.MO_PEM", &Office::CleanOfficePhotoEditorMRU),
        row<&Cleaners::msn1>("_root.MSN_RFF", &MSN::CleanMSNRecivedFolder),
        row<&Cleaners::msn1>("_root.MSN_AS", &MSN::CleanMSNAccountSettings),
        row<&Cleaners::ya>("_root.Yahoo_CPS", &YahooMessenger::CleanYahooPager),
        row<&Cleaners::ya>("_root.Yahoo_RYP", &YahooMessenger::CleanYahooProfiles),
        row<&Cleaners::icq1>("_root.ICQ_B", &ICQ::CleanICQBookmarks),
        row<&Cleaners::icq1>("_root.ICQ_BC", &ICQ::CleanICQBrowserCache),
        row<&Cleaners::icq1>("_root.ICQ_RF", &ICQ::CleanICQReceivedFiles),
        row<&Cleaners::icq1>("_root.ICQ_RCH", &ICQ::CleanICQChats),
    };
    return kRows;
}

std::string profile_key(const std::string& profile) { return std::string(kProfilesKey) + "\\" + profile; }

// A name that cannot be one key (empty, or with a "\" that would reach into another profile)
// names no profile.
bool profile_exists(const std::string& profile) {
    if (!platform::registry::is_key_name(profile)) return false;
    cRegistry reg;
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey(profile_key(profile));
    return reg.KeyExists();
}

// "true" for a stored "true" or "1", "false" for "false" or "0", "" for anything else or nothing.
std::string read_check_box(const std::string& profile, const std::string& check_box) {
    cRegistry reg;
    auto stored =
        reg.ValueEx(HKEY_CURRENT_USER, profile_key(profile) + "\\CheckBoxes", check_box, REG_SZ, Variant("")).to_text();
    if (stored == "true" || stored == "1") return "true";
    if (stored == "false" || stored == "0") return "false";
    return "";
}

}  // namespace

void run_ticks(Unattended run, const std::function<std::string(const std::string& check_box)>& tick_of,
               Event<std::string>& log, const std::function<void(const std::string& check_box)>& before_row) {
    Cleaners cleaners;
    LogRelays relays(cleaners, log);
    for (const Row& row : rows()) {
        if (run == Unattended::Schedule && !row.on_schedule) continue;
        ignore_errors([&] {
            if (tick_of(row.check_box) != row.when) return;
            if (before_row) before_row(row.check_box);
            row.clean(cleaners);
        });
    }
}

bool runs_unattended(const std::string& check_box) {
    const auto& all = rows();
    return std::any_of(all.begin(), all.end(), [&](const Row& row) { return row.check_box == check_box; });
}

void Schedule::RunSchedule() {
    if (!profile_exists(profile_)) {
        AddToLog(GetMessageText(kNoSuchProfileMessage) + " " + profile_);
        return;
    }
    run_ticks(
        Unattended::Schedule, [this](const std::string& check_box) { return read_check_box(profile_, check_box); },
        AddToLog);
}

}  // namespace engine
