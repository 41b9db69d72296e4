#include "app/stage/list_pusher.h"

#include "platform/text/bar_list.h"

namespace app {

using platform::text::join_bars;
using platform::text::trim_bars;

void push_list(Stage& stage, const std::string& movie, const MovieList& list) {
    stage.set_variable(movie, "_root.NumberOf" + list.stem, std::to_string(list.items.size()));
    stage.set_variable(movie, "_root.NamesOf" + list.stem, trim_bars(join_bars(list.items)));
    if (!list.labels.empty()) stage.set_variable(movie, "_root.LabelsOf" + list.stem, join_bars(list.labels));
    if (!list.notes.empty()) stage.set_variable(movie, "_root.NotesOf" + list.stem, join_bars(list.notes));
    if (!list.value_stem.empty())
        for (size_t i = 0; i < list.item_values.size(); ++i)
            stage.set_variable(movie, "_root.valueOf" + list.value_stem + std::to_string(i), list.item_values[i]);
    stage.set_variable(movie, list.trigger.empty() ? "_root.Show" + list.stem : list.trigger, list.trigger_value);
}

}  // namespace app
