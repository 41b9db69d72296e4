#pragma once
// The cookie keep-list of the options screen: the sites whose cookies every clean keeps, shown
// one a line in _root.CookieKeepList and saved with the user's settings by IDC_FS_KEEPCOOKIES.
namespace app {

class Shell;

void register_cookie_keep_rows(Shell& shell);

}  // namespace app
