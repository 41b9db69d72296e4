#include "app/features/applications/application_runs.h"

#include <initializer_list>
#include <string_view>

#include "app/features/applications/absent_applications.h"
#include "app/features/cleaning/cleaning_run.h"
#include "engine/cleaners/aol.h"
#include "engine/cleaners/firefox.h"
#include "engine/cleaners/icq.h"
#include "engine/cleaners/msn.h"
#include "engine/cleaners/netscape.h"
#include "engine/cleaners/office.h"
#include "engine/cleaners/opera.h"
#include "engine/cleaners/yahoo_messenger.h"

namespace app {

namespace {

// Position n of the option list calls members[n] when it is ticked.
template <class Engine>
void run_positions(Shell& shell, std::string_view engine_class, const std::string& option_list,
                   std::initializer_list<typename CleaningRun<Engine>::Member> members) {
    CleaningRun<Engine> run(shell, engine_class, option_list);
    size_t index = 0;
    for (const auto& member : members) run.position(index++, member);
}

struct CategoryRow {
    const char* command;
    const char* enabled;  // the category's enable variable; nullptr: always enabled
    void (*run)(Shell&, const std::string&);
};

constexpr CategoryRow kCategoryRows[] = {
    {"IDC_FS_NS", kNetscapeEnabled, CleanNS},    {"IDC_FS_FF", kFirefoxEnabled, CleanFireFox},
    {"IDC_FS_OP", kOperaEnabled, CleanOpera},    {"IDC_FS_AOL", kAolEnabled, CleanAOL},
    {"IDC_FS_MSN", kMsnEnabled, CleanMSN},       {"IDC_FS_ICQ", kIcqEnabled, CleanICQ},
    {"IDC_FS_YAHOO", kYahooEnabled, CleanYahoo}, {"IDC_FS_MO", nullptr, cleanOffice},
};

}  // namespace

void CleanNS(Shell& shell, const std::string& option_list) {
    using engine::Netscape;
    run_positions<Netscape>(shell, "Netscape", option_list,
                            {&Netscape::Delete_Mail,          // _root.NS_MT
                             &Netscape::Delete_History,       // _root.NS_HI
                             &Netscape::Delete_Cache,         // _root.NS_CA
                             &Netscape::Delete_AutoComplete,  // _root.NS_AC
                             &Netscape::Delete_Cookies});     // _root.NS_CO
}

void CleanFireFox(Shell& shell, const std::string& option_list) {
    using engine::FireFox;
    run_positions<FireFox>(shell, "FireFox", option_list,
                           {&FireFox::Delete_History,      // _root.FF_CHATU
                            &FireFox::Delete_Cache,        // _root.FF_CCA
                            &FireFox::Delete_Cookies,      // _root.FF_CCO
                            &FireFox::Delete_Bookmarks});  // _root.FF_CB
}

void CleanOpera(Shell& shell, const std::string& option_list) {
    using engine::Opera;
    run_positions<Opera>(shell, "Opera", option_list,
                         {&Opera::CleanHistory,  // _root.OP_HI
                          &Opera::CleanCookies,  // _root.OP_CO
                          &Opera::CleanCache});  // _root.OP_CA
}

void CleanAOL(Shell& shell, const std::string& option_list) {
    using engine::AOL;
    run_positions<AOL>(shell, "AOL", option_list,
                       {&AOL::CleanAOLTemp,         // _root.AOL_ICF
                        &AOL::CleanAOLDownloads});  // _root.AOL_DF
}

void CleanMSN(Shell& shell, const std::string& option_list) {
    using engine::MSN;
    run_positions<MSN>(shell, "MSN", option_list,
                       {&MSN::CleanMSNRecivedFolder,      // _root.MSN_RFF
                        &MSN::CleanMSNAccountSettings});  // _root.MSN_AS
}

void CleanICQ(Shell& shell, const std::string& option_list) {
    using engine::ICQ;
    run_positions<ICQ>(shell, "ICQ", option_list,
                       {&ICQ::CleanICQBookmarks,      // _root.ICQ_B
                        &ICQ::CleanICQBrowserCache,   // _root.ICQ_BC
                        &ICQ::CleanICQReceivedFiles,  // _root.ICQ_RF
                        &ICQ::CleanICQChats});        // _root.ICQ_RCH
}

void CleanYahoo(Shell& shell, const std::string& option_list) {
    using engine::YahooMessenger;
    run_positions<YahooMessenger>(shell, "YahooMessenger", option_list,
                                  {&YahooMessenger::CleanYahooPager,       // _root.Yahoo_CPS
                                   &YahooMessenger::CleanYahooProfiles});  // _root.Yahoo_RYP
}

void cleanOffice(Shell& shell, const std::string& option_list) {
    using engine::Office;
    run_positions<Office>(shell, "Office", option_list,
                          {&Office::CleanOfficeAccessMRU,         // _root.MO_AM
                           &Office::CleanOfficeWordMRU,           // _root.MO_WM
                           &Office::CleanOfficeExcelMRU,          // _root.MO_EM
                           &Office::CleanOfficePowerPointMRU,     // _root.MO_PM
                           &Office::CleanOfficeOutlookMRU,        // _root.MO_OM
                           &Office::CleanOfficePhotoEditorMRU});  // _root.MO_PEM
}

void register_application_rows(Shell& shell) {
    shell.add_load_step(LoadStep::InstalledApplications, [&shell] { mark_absent_applications(shell); });
    for (const CategoryRow& row : kCategoryRows) {
        shell.commands().add(row.command, [&shell, row](const std::string& args) {
            // The screen of an absent application cannot send this; a script still could.
            if (row.enabled && shell.stage().get_variable(kMainMovie, row.enabled) == "0") return;
            logged_run(shell, [&] { row.run(shell, args); });
        });
    }
}

}  // namespace app
