#include "app/features/plugins/plugin_rows.h"

#include <memory>
#include <vector>

#include "app/kernel/log_relay.h"
#include "app/kernel/shell.h"
#include "app/settings/plugin_items.h"
#include "app/stage/list_pusher.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "engine/plugins/plugins.h"
#include "platform/text/ascii_case.h"
#include "platform/text/bar_list.h"
#include "platform/text/split.h"

namespace app {

using platform::text::split;
using platform::text::to_upper;
using platform::text::trim_bars;

namespace {

constexpr const char* kReloadTrigger = "_root.ReLoadThePluginList";

void push_plugins(Shell& shell, bool installed_only) {
    std::vector<std::string> names;
    for (const engine::Plugin& plugin : loaded_plugins())
        if (plugin.Exists || !installed_only) names.push_back(to_upper(plugin.Name));
    const std::vector<std::string> unticked(names.size(), "false");
    push_list(shell.stage(), kMainMovie, MovieList{"Items", names, kReloadTrigger, "1", "Items", unticked});
}

// A form field as the movie holds it, without one leading and one trailing "|". Path fields also
// lose the blank the movie's path entry puts after each backslash.
std::string form_field(Shell& shell, const char* name, bool path) {
    std::string text = shell.stage().get_variable(kMainMovie, name);
    for (size_t at = 0; path && (at = text.find("\\ ", at)) != std::string::npos; ++at) text.erase(at + 1, 1);
    return trim_bars(text);
}

// The ticked names: every element of the list that a "|" ends.
std::vector<std::string> ticked_names(const std::string& names) {
    std::vector<std::string> ticked = split(names, '|');
    ticked.pop_back();
    return ticked;
}

void browse_file(Shell& shell) {
    auto chosen = shell.stage().ask_open_file("All Files|*.*");
    if (!chosen || chosen->empty()) return;
    shell.stage().set_variable(kMainMovie, "_root.FileName_FF", *chosen);
    shell.stage().set_variable(kMainMovie, "_root.AddFFNow", "1");
}

void browse_folder(Shell& shell) {
    auto chosen = shell.stage().ask_folder("");
    if (!chosen || chosen->empty()) return;
    shell.stage().set_variable(kMainMovie, "_root.FolderName_FF", *chosen);
    shell.stage().set_variable(kMainMovie, "_root.AddFFNow2", "1");
}

}  // namespace

void hidePlugins(Shell& shell) { push_plugins(shell, true); }

void showPlugins(Shell& shell) { push_plugins(shell, false); }

void addplugin(Shell& shell) {
    engine::Plugin plugin;
    plugin.Name = form_field(shell, "_root.PluginNameVlaue_Reg_New", false);
    plugin.App = form_field(shell, "_root.ListOneValues2", false);
    plugin.Cat = form_field(shell, "_root.PluginCategoryVlaue_Reg_New", false);
    plugin.SetFCList = form_field(shell, "_root.ListOneValues4", false);
    plugin.SetRCList = form_field(shell, "_root.ListOneValues3", true);
    plugin.SetFOCList = form_field(shell, "_root.ListOneValues5", true);
    plugin.Detect = form_field(shell, "_root.ListOneValues", true);
    try {
        new_plugins()->AddPlugin(plugin);
    } catch (const engine::EngineError& refused) {
        shell.message_box().ShowMsg(refused.description(), shell.text("msg76"), sign::Warning, buttons::One);
    }
}

void cleanPlugins(Shell& shell, const std::string& names) {
    const engine::BusyPointer busy;
    auto pl = new_plugins();
    const LogRelay relay(pl->ShowLog, into_log_window(shell.log_window()));
    clean_named_plugins(*pl, ticked_names(names));
}

void register_plugin_rows(Shell& shell) {
    auto list_row = [&shell](void (*push)(Shell&)) {
        return [&shell, push](const std::string&) {
            engine::ignore_errors([&] { push(shell); });
            shell.stage().set_variable(kMainMovie, kReloadTrigger, "1");
        };
    };
    shell.commands().add("IDC_FS_HPLUGINS", list_row(hidePlugins));
    shell.commands().add("IDC_FS_SPLUGINS", list_row(showPlugins));
    shell.commands().add("IDC_FS_PLUGIN_NEW", [&shell](const std::string&) { addplugin(shell); });
    shell.commands().add("IDC_FS_CLEANPLUGIN",
                         [&shell](const std::string& args) { logged_run(shell, [&] { cleanPlugins(shell, args); }); });
    shell.commands().add("IDC_FS_BROWSE_FF", [&shell](const std::string&) { browse_file(shell); });
    shell.commands().add("IDC_FS_BROWSE_FOLDERS", [&shell](const std::string&) { browse_folder(shell); });
    shell.add_load_step(LoadStep::PluginList, [&shell] { hidePlugins(shell); });
}

}  // namespace app
