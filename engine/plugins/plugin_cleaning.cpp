// Plugins::cleanPlugin: files first, then folders, then registry entries, each list in order, then
// the rule form's keys (plugin_rule_cleaning.cpp).
#include <string>

#include "engine/foundation/cregistry.h"
#include "engine/foundation/message_text.h"
#include "engine/plugins/entry_guard.h"
#include "engine/plugins/plugins.h"
#include "engine/plugins/plugin_registry_entry.h"
#include "engine/plugins/rule_folders.h"
#include "engine/plugins/rule_variables.h"
#include "engine/shredder/shredder.h"

namespace engine {

namespace {

std::string shown(const std::string& entry) {
    std::string text = entry;
    std::erase(text, '\0');
    return text;
}

}  // namespace

bool Plugins::refused(const Plugin& plugin, const std::string& entry, EntryRefusal refusal) {
    if (refusal == EntryRefusal::None) return false;
    ShowLog(GetMessageText(refusal_message_key(refusal)) + ": " + plugin.Name + " - " + shown(entry));
    return true;
}

void Plugins::cleanPlugin(const Plugin& P) { cleanPlugins({P}); }

void Plugins::cleanPlugins(const std::vector<Plugin>& plugins, const std::function<void(const Plugin&)>& before_each) {
    if (plugins.empty()) return;
    Shredder sh;
    cRegistry reg;
    const EventRelay<std::string> shredder_lines(sh.ShowLog, ShowLog);
    const EventRelay<std::string> registry_lines(reg.ShowLog, ShowLog);
    const EntryGuard guard;
    const RuleVariables variables;
    RuleFolders folders;
    for (const Plugin& plugin : plugins) {
        if (before_each) before_each(plugin);
        clean_one(plugin, guard, variables, folders, sh, reg);
    }
}

void Plugins::clean_one(const Plugin& P, const EntryGuard& guard, const RuleVariables& variables, RuleFolders& folders,
                        Shredder& sh, cRegistry& reg) {
    for (size_t i = 1; i < P.fclist.size(); ++i) {
        const std::string path = guard.expand(P.fclist[i]);
        if (!refused(P, P.fclist[i], guard.check_file(path))) sh.FileShred(path);
    }
    for (size_t i = 1; i < P.foclist.size(); ++i) {
        const std::string path = guard.expand(P.foclist[i]);
        if (refused(P, P.foclist[i], guard.check_folder(path))) continue;
        double max_size = 0, min_size = 0;
        sh.FolderShred(path, false, "*", true, max_size, min_size);
        folders.forget();
    }
    for (size_t i = 0; i < P.rclist.size(); ++i) {
        std::string text = P.rclist[i];
        // Definitions number their entries from 1; a missing key 0 is no entry at all.
        if (i == 0 && is_blank_entry(text)) continue;
        const RegistryEntry entry = parse_registry_entry(text);
        if (!refused(P, text, guard.check_registry(text, entry))) delete_registry_entry(reg, entry);
    }
    clean_rules(P, guard, variables, folders, sh, reg);
}

}  // namespace engine
