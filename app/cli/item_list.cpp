#include "app/cli/item_list.h"

#include <optional>
#include <string>
#include <vector>

#include "app/cli/screen_labels.h"
#include "app/settings/plugin_items.h"
#include "engine/catalogue/cleaning_catalogue.h"
#include "platform/json/json_string.h"
#include "platform/text/ascii_case.h"

namespace app::cli {

using platform::json::json_string;

using platform::text::to_upper;

namespace {

struct ListedItem {
    std::string name;                // "ie.cookies", "plugins.WinZip"
    std::string label;               // "Cookies": as the screen shows it, in its language
    std::string option;              // the tick box on the item's screen
    std::optional<bool> installed;   // plug-ins: whether their program is
};

struct ListedCategory {
    std::string name, title;
    std::vector<ListedItem> items;
};

std::vector<ListedCategory> listed_categories() {
    std::vector<ListedCategory> listed;
    const auto labels = screen_labels();
    for (const auto& category : engine::cleaning_catalogue()) {
        auto& entry = listed.emplace_back(ListedCategory{category.name, category.title, {}});
        for (const auto& item : category.items) {
            const auto label = labels.find(item.variable);
            entry.items.push_back({item.name, label == labels.end() ? "" : label->second, item.variable, std::nullopt});
        }
    }
    // The plug-in screen lists each plug-in under its name in capitals, and ticks it by that.
    auto& plugins = listed.emplace_back(ListedCategory{std::string(kPluginCategory), "Plug-ins", {}});
    for (const auto& plugin : loaded_plugins())
        plugins.items.push_back({plugin_item_name(plugin.Name), plugin.Name, to_upper(plugin.Name), plugin.Exists});
    return listed;
}

void print_words(const std::vector<ListedCategory>& listed, std::ostream& out) {
    for (const auto& category : listed) {
        out << category.name << "  " << category.title << "\n";
        for (const auto& item : category.items)
            out << "  " << item.name << "  " << item.label << "  (" << item.option << (item.installed == false ? ", not installed" : "")
                << ")\n";
    }
}

void print_json(const std::vector<ListedCategory>& listed, std::ostream& out) {
    out << "{\"categories\": [";
    for (size_t c = 0; c < listed.size(); ++c) {
        const auto& category = listed[c];
        out << (c ? ",\n  " : "\n  ") << "{\"name\": " << json_string(category.name)
            << ", \"title\": " << json_string(category.title) << ", \"items\": [";
        for (size_t i = 0; i < category.items.size(); ++i) {
            const auto& item = category.items[i];
            out << (i ? ", " : "") << "{\"name\": " << json_string(item.name) << ", \"label\": " << json_string(item.label)
                << ", \"option\": " << json_string(item.option);
            if (item.installed) out << ", \"installed\": " << (*item.installed ? "true" : "false");
            out << "}";
        }
        out << "]}";
    }
    out << "\n]}\n";
}

}  // namespace

void list_items(bool json, std::ostream& out) {
    const auto listed = listed_categories();
    if (json) print_json(listed, out);
    else print_words(listed, out);
}

}  // namespace app::cli
