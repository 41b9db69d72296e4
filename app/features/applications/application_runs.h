#pragma once
// The cleaning runs of the browsers, messengers and Office: one procedure per category on the
// shared run skeleton, each calling one member of its engine class per ticked position of the
// option list, from position 0 upward.
#include <string>

namespace app {

class Shell;

void CleanNS(Shell& shell, const std::string& option_list);  // Netscape / Mozilla
void CleanFireFox(Shell& shell, const std::string& option_list);
void CleanOpera(Shell& shell, const std::string& option_list);
void CleanAOL(Shell& shell, const std::string& option_list);
void CleanMSN(Shell& shell, const std::string& option_list);
void CleanICQ(Shell& shell, const std::string& option_list);
void CleanYahoo(Shell& shell, const std::string& option_list);
void cleanOffice(Shell& shell, const std::string& option_list);

// IDC_FS_NS, IDC_FS_FF, IDC_FS_OP, IDC_FS_AOL, IDC_FS_MSN, IDC_FS_ICQ, IDC_FS_YAHOO, IDC_FS_MO as
// logged runs, and the start-up step that marks the categories of absent applications. A
// category marked absent ("_root.<X>_Enabled" = "0") is not run.
void register_application_rows(Shell& shell);

}  // namespace app
