#pragma once
// Pushes a list into a movie the way the movies rebuild their list boxes: the count, the names
// joined by "|", where the list has tick boxes one value variable per item, where the names are
// not for reading the labels and notes shown instead, and last the trigger that makes the movie
// rebuild the list from the others.
#include <string>
#include <vector>

#include "app/stage/stage.h"

namespace app {

struct MovieList {
    std::string stem;                      // "Items_SM": _root.NumberOfItems_SM, _root.NamesOfItems_SM
    std::vector<std::string> items;
    std::string trigger;                   // "" means "_root.Show" + stem
    std::string trigger_value = "true";
    std::string value_stem;                // "Items": _root.valueOfItems0, 1, ... ("" = none)
    std::vector<std::string> item_values;  // one per item, used with value_stem
    // One per item each, when not empty: _root.LabelsOf<stem> (what the page shows instead of the
    // name, which stays what the page sends back) and _root.NotesOf<stem> (a line under it).
    std::vector<std::string> labels;
    std::vector<std::string> notes;
};

void push_list(Stage& stage, const std::string& movie, const MovieList& list);

}  // namespace app
