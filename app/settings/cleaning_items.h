#pragma once
// The cleaning items by name. Each category of the cleaning screens has the command its Clean
// button sends and its tick boxes in the order of the option list. The command line names an
// item "category.item" ("ie.cookies"), and a run's removals are grouped under the same names.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

struct CleaningItem {
    const char* name;      // "cookies"
    const char* variable;  // the tick box: "_root.IE_CO"
};

struct CleaningCategory {
    const char* name;          // "ie"
    const char* title;         // "Internet Explorer"
    const char* command;       // "IDC_FS_IE"
    const char* engine_class;  // "IE"
    std::vector<CleaningItem> items;  // position n of the option list is items[n]

    // "ie.cookies" for the item at that position; "ie" past the end.
    std::string item_name(size_t position) const;
    // The option list that ticks exactly the given positions.
    std::string option_list(const std::vector<size_t>& positions) const;
};

const std::vector<CleaningCategory>& cleaning_categories();
const CleaningCategory* category_named(std::string_view name);
const CleaningCategory* category_of_engine_class(std::string_view engine_class);

// An item named "category.item" (any case): its category and position; nullopt when unknown.
struct ItemRef {
    const CleaningCategory* category = nullptr;
    size_t position = 0;
};
std::optional<ItemRef> find_item(std::string_view full_name);

// "windows.temp" for the tick box "_root.WIN_TF"; "" for a box that is no cleaning item.
std::string item_named_by_variable(std::string_view variable);

// Every item's full name, category by category.
std::vector<std::string> all_item_names();

}  // namespace app
