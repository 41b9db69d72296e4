#include "app/features/plugins/plugin_rows.h"

#include <memory>
#include <vector>

#include "app/kernel/log_relay.h"
#include "app/kernel/run_progress.h"
#include "app/kernel/shell.h"
#include "app/settings/plugin_items.h"
#include "app/stage/list_pusher.h"
#include "engine/foundation/engine_error.h"
#include "engine/plugins/entry_guard.h"
#include "engine/plugins/plugins.h"
#include "engine/plugins/rule_import.h"
#include "platform/machine/machine.h"
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
    std::vector<std::string> names, categories;
    for (const engine::Plugin& plugin : loaded_plugins()) {
        if (!plugin.Exists && installed_only) continue;
        names.push_back(to_upper(plugin.Name));
        categories.push_back(engine::is_blank_entry(plugin.Cat) ? "" : plugin.Cat);
    }
    shell.stage().set_variable(kMainMovie, "_root.CategoriesOfItems", platform::text::join_bars(categories));
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

// The rule file the user chooses, read from the machine: at most ten times the largest there is.
constexpr uint64_t kLargestRuleFile = 64u << 20;

std::string with_counts(std::string text, const std::vector<size_t>& counts) {
    for (size_t i = 0; i < counts.size(); ++i) {
        const std::string mark = "%" + std::to_string(i + 1);
        if (const size_t at = text.find(mark); at != std::string::npos) text.replace(at, mark.size(), std::to_string(counts[i]));
    }
    return text;
}

// The ticked names less those of plug-ins whose warning, shown before their first run, the user
// declined. A preview changes nothing and asks nothing.
std::string after_warnings(Shell& shell, const std::string& names) {
    if (platform::current_machine().removals().dry_run()) return names;
    std::vector<std::string> kept = ticked_names(names);
    auto plugins = new_plugins();
    for (const engine::Plugin& plugin : plugins->Load_Extra_plugins()) {
        auto named = [&](const std::string& name) { return platform::text::iequals(name, plugin.Name); };
        if (plugin.Warning.empty() || plugin.WarningSeen || std::none_of(kept.begin(), kept.end(), named)) continue;
        if (confirm(shell.message_box(), shell.language(), Question{"msg728", "msg729", sign::Warning, plugin.Warning}))
            plugins->WarningAccepted(plugin.Name);
        else
            std::erase_if(kept, named);
    }
    std::string list;
    for (const std::string& name : kept) list += name + "|";
    return list;
}

void import_rules(Shell& shell, const std::string& list) {
    auto chosen = shell.stage().ask_open_file("Rule files (*.ini)|*.ini");
    if (!chosen || chosen->empty()) return;
    std::string said;
    try {
        const std::string text = platform::current_machine().files().read_text(*chosen, kLargestRuleFile);
        const engine::RuleImport report = engine::read_rule_file(text, false);
        const std::vector<std::string> kept_own = new_plugins()->ImportPlugins(report.definitions);
        said = with_counts(shell.text("msg726"), {report.definitions.size() - kept_own.size(), report.not_installed.size(),
                                                  report.refused.size() + kept_own.size()});
    } catch (const engine::EngineError& refused) {
        said = shell.text("msg727") + " " + refused.description();
    } catch (const std::exception& unreadable) {
        said = shell.text("msg727") + " " + unreadable.what();
    }
    shell.message_box().ShowMsg(said, shell.text("msg76"), sign::Notice, buttons::One);
    push_plugins(shell, list != "all");
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

// Cancel is heard before each plug-in, and by the shredder before each file of a plug-in's folder.
void cleanPlugins(Shell& shell, const std::string& names) {
    RunProgress progress(shell);
    auto pl = new_plugins();
    const LogRelay relay(pl->ShowLog, into_log_window(shell.log_window()));
    clean_named_plugins(*pl, ticked_names(names), [&progress](size_t cleaned, size_t total) {
        progress.count(cleaned, total);
        platform::CancellableRun::check();
    });
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
    shell.commands().add("IDC_FS_IMPORT_RULES", [&shell](const std::string& list) { import_rules(shell, list); });
    shell.commands().add("IDC_FS_CLEANPLUGIN", [&shell](const std::string& args) {
        const std::string names = after_warnings(shell, args);
        logged_run(shell, [&] { cleanPlugins(shell, names); });
    }, Changes::Machine);
    shell.commands().add("IDC_FS_BROWSE_FF", [&shell](const std::string&) { browse_file(shell); });
    shell.commands().add("IDC_FS_BROWSE_FOLDERS", [&shell](const std::string&) { browse_folder(shell); });
    shell.add_load_step(LoadStep::PluginList, [&shell] { hidePlugins(shell); });
}

}  // namespace app
