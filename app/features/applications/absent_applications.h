#pragma once
// Which browsers and messengers the machine has: at start-up each category whose application is
// missing gets its enable variable set to "0", and its screen is greyed out. A category whose
// application is there keeps the variable as it was.
namespace app {

class Shell;

inline constexpr const char* kNetscapeEnabled = "_root.NS_Enabled";
inline constexpr const char* kOperaEnabled = "_root.OP_Enabled";
inline constexpr const char* kAolEnabled = "_root.AOL_Enabled";
inline constexpr const char* kFirefoxEnabled = "_root.FF_Enabled";
inline constexpr const char* kMsnEnabled = "_root.MSN_Enabled";
inline constexpr const char* kYahooEnabled = "_root.YAHOO_Enabled";
inline constexpr const char* kIcqEnabled = "_root.ICQ_Enabled";

// Asks the engine's Browsers and Messangers about Netscape, Opera, AOL, Firefox, Msn, Yahoo and
// Icq, in that order. A check that fails counts as missing.
void mark_absent_applications(Shell& shell);

}  // namespace app
