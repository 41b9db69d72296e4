#pragma once
// The traces of the browsers, messengers and Office on a new sandbox machine: each application
// is "installed" (the registry key the start-up check looks for) and has left what its cleaner
// removes, so every one of those screens is enabled and has real work to do.
namespace app::demo {

// Netscape/Mozilla, Firefox, Chrome, Opera, AOL, MSN Messenger, Yahoo Messenger, ICQ (found only by
// searching the program files folder) and Office 2003 and XP recent-file lists.
void plant_application_traces();

}  // namespace app::demo
