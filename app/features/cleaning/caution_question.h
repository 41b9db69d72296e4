#pragma once
// The question before a screen's Clean that includes items removing what the user may want to
// keep (downloaded files, bookmarks, mail, a whole folder of documents): asked once for all of
// them, naming each, and never again for an item the user answered "don't ask again" for (kept in
// the user's settings, so every profile and later start honours it).
#include <string>

#include "app/kernel/shell.h"
#include "engine/catalogue/cleaning_catalogue.h"

namespace app {

// True when the clean may go ahead: nothing ticked needs the question, or the user agreed.
bool agreed_to_cautious_items(Shell& shell, const engine::CatalogueCategory& category, const std::string& option_list);

// The tick variables of every item the screens mark, as a bar list (`_root.CautionItems`).
std::string cautious_item_variables();

}  // namespace app
