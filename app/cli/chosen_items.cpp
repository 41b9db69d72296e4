#include "app/cli/chosen_items.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "app/settings/plugin_items.h"
#include "engine/catalogue/cleaning_catalogue.h"
#include "platform/text/ascii_case.h"

namespace app::cli {

using platform::text::iequals;
using platform::text::to_upper;

namespace {

// How many letters must change to turn one text into the other.
size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// "ie.cokies" -> the known names closest to it, for the message.
std::string near_matches(const std::string& unknown, const std::vector<std::string>& known) {
    const std::string wanted = to_upper(unknown);
    const std::string wanted_part = wanted.substr(wanted.find('.') + 1);
    std::vector<std::pair<size_t, std::string>> scored;
    for (const auto& name : known) {
        const std::string upper = to_upper(name);
        const size_t distance = edit_distance(wanted, upper);
        const bool shares_part = !wanted_part.empty() && upper.find(wanted_part) != std::string::npos;
        if (distance <= 3 || shares_part) scored.emplace_back(distance, name);
    }
    std::sort(scored.begin(), scored.end());
    std::string text;
    for (size_t i = 0; i < scored.size() && i < 5; ++i) text += (i ? ", " : "") + scored[i].second;
    return text;
}

// The check box of a cleaning item.
std::optional<std::string> check_box_named(const std::string& name) {
    const engine::CatalogueItem* item = engine::catalogue_item(name);
    if (!item) return std::nullopt;
    return item->variable;
}

bool names_a_plugin(std::string_view name) {
    return name.size() >= kPluginItemPrefix.size() && iequals(name.substr(0, kPluginItemPrefix.size()), kPluginItemPrefix);
}

// The plug-in file is read once, and only for the first name that needs it.
class PluginNames {
public:
    const std::vector<std::string>& all() {
        if (!names_) {
            names_.emplace();
            for (const auto& plugin : loaded_plugins()) names_->push_back(plugin.Name);
        }
        return *names_;
    }
    std::optional<std::string> named(std::string_view item) {
        const std::string_view wanted = item.substr(kPluginItemPrefix.size());
        for (const auto& name : all())
            if (iequals(name, wanted)) return name;
        return std::nullopt;
    }

private:
    std::optional<std::vector<std::string>> names_;
};

std::vector<std::string> known_names(PluginNames& plugins) {
    std::vector<std::string> known = {std::string(kPluginCategory)};
    for (const auto& category : engine::cleaning_catalogue()) {
        known.push_back(category.name);
        for (const auto& item : category.items) known.push_back(item.name);
    }
    for (const auto& name : plugins.all()) known.push_back(plugin_item_name(name));
    return known;
}

}  // namespace

ChosenItems choose_items(const std::vector<std::string>& names) {
    ChosenItems chosen;
    PluginNames plugins;
    for (const auto& name : names) {
        if (auto check_box = check_box_named(name)) {
            chosen.check_boxes.push_back(*check_box);
            continue;
        }
        if (auto plugin = names_a_plugin(name) ? plugins.named(name) : std::nullopt) {
            chosen.plugin_names.push_back(*plugin);
            continue;
        }
        // A category stands for all its items, as its screen's Clean with every box ticked.
        if (const engine::CatalogueCategory* category = engine::catalogue_category(name)) {
            for (const auto& item : category->items) chosen.check_boxes.push_back(item.variable);
            continue;
        }
        if (iequals(name, kPluginCategory)) {
            chosen.plugin_names.insert(chosen.plugin_names.end(), plugins.all().begin(), plugins.all().end());
            continue;
        }
        const std::string near = near_matches(name, known_names(plugins));
        throw CommandError("there is no item \"" + name + "\"" + (near.empty() ? "" : "; did you mean " + near + "?") +
                           " (`tavrinapp list` shows them all)");
    }
    return chosen;
}

}  // namespace app::cli
