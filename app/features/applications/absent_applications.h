#pragma once
// Which browsers and messengers the machine has: at start-up each category whose application is
// missing gets its enable variable (the cleaning catalogue names it) set to "0", and its screen is
// greyed out. A category whose application is there keeps the variable as it was.
namespace app {

class Shell;

// Asks the engine's Browsers and Messangers about Netscape, Opera, AOL, Firefox, Msn, Yahoo and
// Icq, in that order. A check that fails counts as missing.
void mark_absent_applications(Shell& shell);

// The start-up step that marks them.
void register_application_rows(Shell& shell);

}  // namespace app
