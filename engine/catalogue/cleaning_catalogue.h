#pragma once
// The cleaning catalogue: every cleaning item of every category, written once. A category is one
// screen with one Clean command and one engine class; its items are the screen's tick boxes in
// the order of the option list that command takes. The screen runs, the scheduled run, the command
// line, the preview and the skin (which draws the look-alike screens from it) all read this table,
// so a new item is one row here plus the member it calls.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

// What an item does to its category's engine object.
using CleaningStep = std::function<void(EngineObject&)>;

struct CatalogueItem {
    // "ie.cookies": what the command line names, and the group a run's removals are listed under
    // (so the preview's per-item lines).
    std::string name;
    // "_root.IE_CO": the tick box on the screen, stored under this name with a profile.
    std::string variable;
    CleaningStep ticked;
    // A switch's other side, run when the box is not ticked (Internet Explorer's auto-complete
    // on); empty for an item that only cleans.
    CleaningStep unticked;
    // False: cleaned when the command line names it, never by a schedule.
    bool on_schedule = true;
    // The tick of a profile that never stored the box.
    bool ticked_by_default = false;
    // For an item that removes what the user may want to keep (downloaded files, bookmarks, mail,
    // a whole folder of documents): the message key of its words for that ("msg853": "the Firefox
    // bookmarks"). The screens mark such items and ask before a Clean that includes them.
    std::string caution = {};
};

struct CatalogueCategory {
    std::string name;          // "ie": the first part of its items' names
    std::string title;         // "Internet Explorer"
    std::string screen;        // "ie": the screen of the skin that shows its boxes
    std::string command;       // "IDC_FS_IE": what the screen's Clean button sends
    std::string engine_class;  // "IE": created through the class table for each run
    // "_root.NS_Enabled": set to "0" when the application is missing, and then the category does
    // not run; "" for a category that is always there.
    std::string enabled;
    // A new engine object of the category's class through the class table (nullptr when it cannot
    // be created), and the log lines of such an object.
    std::function<std::shared_ptr<EngineObject>()> create;
    std::function<Event<std::string>&(EngineObject&)> show_log;
    std::vector<CatalogueItem> items;  // position n of the option list is items[n]
};

// Every category, in the order the scheduled run cleans them, each item in its screen's order.
const std::vector<CatalogueCategory>& cleaning_catalogue();

// Lookups in any letter case, as the dispatcher and the command line compare names; nullptr
// when there is none.
const CatalogueCategory* catalogue_category(std::string_view name);
const CatalogueCategory* catalogue_category_of_command(std::string_view command);
const CatalogueItem* catalogue_item(std::string_view name);
// By the tick box, whose name is compared exactly, as the movie compares variables.
const CatalogueItem* catalogue_item_of_variable(std::string_view variable);

}  // namespace engine
