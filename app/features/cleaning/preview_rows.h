#pragma once
// The Preview button of every cleaning screen and of the shredder's lists. It sends IDC_FS_PREVIEW with the command the
// screen's Clean button sends and that command's argument, joined by "|"
// ("IDC_FS_IE|1,0,1,1,1,1"). The command runs as Clean runs it, over a dry run of the machine:
// the page's preview view then lists what it would remove and the settings it would change, item
// by item, with sizes and totals (preview_list.h), and nothing on the machine has changed.
#include <string_view>

#include "app/kernel/shell.h"

namespace app {

// The clean commands a preview may run: those of the cleaning categories, of the plug-ins and of
// the shredder's two lists.
bool previewable(std::string_view command);

// IDC_FS_PREVIEW.
void register_preview_rows(Shell& shell);

}  // namespace app
