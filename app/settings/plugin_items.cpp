#include "app/settings/plugin_items.h"

#include <stdexcept>

#include "engine/foundation/class_table.h"
#include "engine/foundation/engine_error.h"
#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"

namespace app {

using platform::text::iequals;

std::shared_ptr<engine::Plugins> new_plugins() {
    auto plugins = engine::create<engine::Plugins>("Plugins");
    if (!plugins) throw std::runtime_error("The engine class Plugins is not available.");
    return plugins;
}

std::vector<engine::Plugin> loaded_plugins() {
    std::vector<engine::Plugin> plugins;
    engine::ignore_errors([&] { plugins = new_plugins()->Load_Extra_plugins(); });
    // The loader's last record has no name and is no plug-in.
    std::erase_if(plugins, [](const engine::Plugin& plugin) { return plugin.Name.empty(); });
    return plugins;
}

std::string plugin_item_name(const std::string& plugin_name) { return std::string(kPluginItemPrefix) + plugin_name; }

void clean_named_plugins(engine::Plugins& plugins, const std::vector<std::string>& names,
                         const std::function<void(size_t cleaned, size_t total)>& before_each) {
    std::vector<engine::Plugin> chosen;
    for (const engine::Plugin& plugin : plugins.Load_Extra_plugins()) {
        for (const std::string& name : names)
            if (!plugin.Name.empty() && iequals(plugin.Name, name)) chosen.push_back(plugin);
    }
    size_t cleaned = 0;
    plugins.cleanPlugins(chosen, [&](const engine::Plugin& plugin) {
        if (before_each) before_each(cleaned++, chosen.size());
        platform::current_machine().removals().set_group(plugin_item_name(plugin.Name));
    });
}

}  // namespace app
