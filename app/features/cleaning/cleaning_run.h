#pragma once
// The cleaning runs of the screens: one for each category of the cleaning catalogue, started by
// the command its Clean button sends with the option list of its ticks. A run shows the
// hourglass, creates the category's engine object with its log lines relayed into the log
// window, then goes through the positions in order: a ticked one runs its item's step, any other
// its unticked step where the item has one (a position the list does not reach is not ticked).
// What a step removes is listed under its item's name. Each step ignores its own failure, so one
// bad item never keeps the user's other ticks from being cleaned.
#include <string>

#include "app/kernel/shell.h"
#include "engine/catalogue/cleaning_catalogue.h"

namespace app {

// One category's positions; Internet Explorer's run then makes the screen's home-page field the
// start page, whatever was ticked.
void run_category(Shell& shell, const engine::CatalogueCategory& category, const std::string& option_list);

// Every category's command as a logged run; a category whose application is marked absent (its
// enable variable "0") does not run. The start-up step that gives the skin the catalogue and
// fills the home-page field.
void register_cleaning_rows(Shell& shell);

}  // namespace app
