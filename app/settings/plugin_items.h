#pragma once
// The plug-ins by name, as the plug-in screen and the command line both take them: the loaded
// definitions, and the clean of the named ones. A run's removals are listed under
// "plugins.<name>", the item name the command line knows the plug-in by.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/foundation/records.h"
#include "engine/plugins/plugins.h"

namespace app {

inline constexpr std::string_view kPluginItemPrefix = "plugins.";
// The plug-ins as one category of cleaning items, beside those of the cleaning catalogue.
inline constexpr std::string_view kPluginCategory = "plugins";

// The class table's Plugins object; throws when the class is not available.
std::shared_ptr<engine::Plugins> new_plugins();

// Every definition of the plug-in file, in file order, without the loader's nameless last record;
// a missing or unreadable plug-in file is an empty list.
std::vector<engine::Plugin> loaded_plugins();

// "plugins.WinZip" for the plug-in "WinZip".
std::string plugin_item_name(const std::string& plugin_name);

// Cleans every plug-in whose name equals one of `names` (ignoring case), in the order of the
// plug-in file; a name given twice is cleaned twice. An error of one plug-in ends the clean there.
// `before_each` hears, before each plug-in, how many of them were cleaned of how many there are;
// what it throws ends the clean there.
void clean_named_plugins(engine::Plugins& plugins, const std::vector<std::string>& names,
                         const std::function<void(size_t cleaned, size_t total)>& before_each = {});

}  // namespace app
