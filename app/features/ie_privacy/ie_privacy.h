#pragma once
// The Internet Explorer tools: hide and show the typed URLs, the favourites and the saved form
// passwords. Each button's procedure creates an IE object, calls its one member and releases
// it; the row then shows the completion notice whether or not the member succeeded.
#include <string>

namespace app {

class Shell;

void HideIETypedUrls();
void ShowIETypedUrls();
void HideIEFavorites();
void HideIEPasswords();
void ShowIEFavorites();
void ShowIEPasswords();

// IDC_FS_HIDETYPEDURLS, IDC_FS_SHOWTYPEDURLS, IDC_FS_HIDEFAVORITES, IDC_FS_HIDEPASSWORD,
// IDC_FS_SHOWFAVORITES, IDC_FS_SHOWPASSWORD.
void register_ie_privacy_rows(Shell& shell);

}  // namespace app
