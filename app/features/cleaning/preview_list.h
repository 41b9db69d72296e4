#pragma once
// A preview as the list of the preview view: what a dry run would remove, change and keep, item by
// item, in rows the page draws one a line (skin/js/preview_view.js). Each row is a few fields
// joined by a tab, the first naming its kind:
//   "item"   the variable of the item's tick box ("" when it has none), its name, its totals
//   "file"   a removal's path and its size ("" for kinds without a size, such as a history entry)
//   "change" a setting's path and what the clean makes of it
//   "kept"   a path the clean leaves on purpose and why
// A field never holds "|" (the rows travel as a bar list) nor a tab: each becomes "¦" or a blank.
#include <string>
#include <vector>

#include "app/kernel/removal_report.h"
#include "platform/removals/removal_log.h"

namespace app {

struct DryRun {
    std::vector<platform::Removed> removed;
    std::vector<platform::Changed> changed;
    std::vector<platform::Kept> kept;
};

// The rows, the items in the order the run came to them.
std::vector<std::string> preview_list(const DryRun& run, const Texts& texts);

// The totals of the whole run, as the view's foot shows them (msg407).
std::string preview_total(const DryRun& run, const Texts& texts);

}  // namespace app
