#include "engine/plugins/rule_import.h"

#include <algorithm>
#include <optional>
#include <set>

#include "engine/plugins/entry_guard.h"
#include "engine/plugins/plugin_detection.h"
#include "engine/plugins/rule_keys.h"
#include "engine/plugins/rule_variables.h"
#include "platform/ini/ini_document.h"
#include "platform/ini/profile.h"
#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"

namespace engine {

namespace {

using platform::text::iequals;
using platform::text::to_lower;

// The category numbers of the format, for entries without a Section of their own.
std::string category_of(std::string_view number) {
    constexpr std::pair<std::string_view, std::string_view> kCategories[] = {
        {"3021", "Applications"}, {"3022", "Internet"}, {"3023", "Multimedia"},
        {"3024", "Utilities"},    {"3025", "Windows"},
    };
    for (const auto& [code, name] : kCategories)
        if (code == number) return std::string(name);
    return "Imported";
}

// "FileKey12" has the stem "FileKey"; a bare stem counts too (DetectFile= is common).
bool has_stem(std::string_view name, std::string_view stem) {
    if (name.size() < stem.size() || !iequals(name.substr(0, stem.size()), stem)) return false;
    return name.substr(stem.size()).find_first_not_of("0123456789") == std::string_view::npos;
}

// A name the plug-in file and the screen's lists can carry.
bool usable_name(std::string_view name) { return name.find_first_of("|[]") == std::string_view::npos; }

class EntryReader {
public:
    EntryReader(RuleImport& report, const RuleVariables& variables, const EntryGuard& guard)
        : report_(report), variables_(variables), guard_(guard) {}

    // The definition, or nullopt with the entry reported as refused.
    std::optional<Plugin> read(const platform::ini::IniDocument::Section& section) {
        Plugin plugin;
        plugin.Name = section.name;
        plugin.Source = std::string(kRuleFileSource);
        plugin.Cat = "Imported";
        refusal_.clear();
        for (const auto& entry : section.entries) {
            const std::string value(entry.value ? platform::ini::read_value(*entry.value) : std::string_view());
            read_key(plugin, entry.name, value);
        }
        plugin.Default = plugin.Warning.empty();
        if (refusal_.empty() && plugin.FileKeys.empty() && plugin.RegKeys.empty())
            refusal_ = "nothing to clean is left";
        if (refusal_.empty() && plugin.DetectKeys.empty() && plugin.DetectFiles.empty())
            refusal_ = "nothing tells whether its program is installed";
        if (!refusal_.empty()) {
            report_.refused.push_back({plugin.Name, refusal_});
            return std::nullopt;
        }
        if (!plugin.DetectKeys.empty()) plugin.Detect = long_registry_text(*parse_rule_registry(plugin.DetectKeys[0]).key);
        return plugin;
    }

private:
    void drop(const Plugin& plugin, std::string_view key, std::string reason) {
        report_.dropped.push_back({plugin.Name, std::string(key), std::move(reason)});
    }

    // The reason the folder's variables leave it unusable, "" when they do not.
    std::string variable_fault(const std::string& folder) const {
        const ExpandedPath expanded = variables_.expand(folder);
        return expanded.unusable;
    }

    void read_key(Plugin& plugin, const std::string& name, const std::string& value) {
        if (iequals(name, "LangSecRef")) {
            if (plugin.Cat == "Imported") plugin.Cat = category_of(value);
        } else if (iequals(name, "Section")) {
            plugin.Cat = value;
        } else if (iequals(name, "Warning")) {
            plugin.Warning = value;
        } else if (iequals(name, "Default")) {
            // Whether an entry starts ticked is decided here, by its warning.
        } else if (has_stem(name, "FileKey")) {
            read_file_key(plugin, name, value);
        } else if (has_stem(name, "RegKey")) {
            const ParsedKey<RegistryEntry> entry = parse_rule_registry(value);
            const EntryRefusal refusal = entry.key ? guard_.check_registry(value, *entry.key) : EntryRefusal::None;
            if (!entry.key) drop(plugin, name, std::string(key_fault_text(entry.fault)));
            else if (refusal != EntryRefusal::None) drop(plugin, name, std::string(refusal_text(refusal)));
            else plugin.RegKeys.push_back(value);
        } else if (has_stem(name, "ExcludeKey")) {
            const ParsedKey<Exclusion> exclusion = parse_exclusion(value);
            // Without an exclusion it needs, the entry would remove what the exclusion keeps.
            if (!exclusion.key) refusal_ = name + ": " + std::string(key_fault_text(exclusion.fault));
            else if (exclusion.key->kind != Exclusion::Kind::Registry && !variable_fault(exclusion.key->folder).empty())
                refusal_ = name + ": " + variable_fault(exclusion.key->folder);
            else plugin.ExcludeKeys.push_back(value);
        } else if (has_stem(name, "DetectFile")) {
            const KeyFault fault = detect_file_fault(value);
            if (fault != KeyFault::Usable) drop(plugin, name, std::string(key_fault_text(fault)));
            else if (std::string reason = variable_fault(value); !reason.empty()) drop(plugin, name, reason);
            else plugin.DetectFiles.push_back(value);
        } else if (iequals(name, "DetectOS")) {
            if (!parse_version_range(value).key) refusal_ = "DetectOS: " + std::string(key_fault_text(KeyFault::BadVersionRange));
            else plugin.DetectOS = value;
        } else if (has_stem(name, "Detect")) {
            const ParsedKey<RegistryEntry> key = parse_rule_registry(value);
            if (!key.key || key.key->value) drop(plugin, name, std::string(key_fault_text(key.key ? KeyFault::BadRegistryKey : key.fault)));
            else plugin.DetectKeys.push_back(value);
        } else {
            // SpecialDetect and the like name detections this program does not know.
            refusal_ = "the key " + name + " is not one this program knows";
        }
    }

    void read_file_key(Plugin& plugin, const std::string& name, const std::string& value) {
        const ParsedKey<FileRule> rule = parse_file_rule(value);
        if (!rule.key) return drop(plugin, name, std::string(key_fault_text(rule.fault)));
        if (std::string reason = variable_fault(rule.key->folder); !reason.empty()) return drop(plugin, name, reason);
        const bool subfolders = rule.key->recurse || rule.key->remove_self;
        const bool masked = std::none_of(rule.key->masks.begin(), rule.key->masks.end(),
                                         [](const std::string& mask) { return mask == "*" || mask == "*.*"; });
        for (const std::string& folder : variables_.expand(rule.key->folder).paths) {
            // A folder named with wildcards is checked folder by folder when it is cleaned.
            if (has_wildcard(folder)) continue;
            if (const EntryRefusal refusal = guard_.check_rule_folder(folder, subfolders, masked); refusal != EntryRefusal::None)
                return drop(plugin, name, std::string(refusal_text(refusal)));
        }
        plugin.FileKeys.push_back(value);
    }

    static std::string_view refusal_text(EntryRefusal refusal) {
        switch (refusal) {
            case EntryRefusal::ProtectedFolder: return "it names a drive or a system folder, or a folder holding one";
            case EntryRefusal::TopLevelRecursive: return "a top-level folder of a drive with its subfolders, without a file mask";
            case EntryRefusal::OutOfMachine: return "the folder leads out of the machine";
            case EntryRefusal::ProtectedKey: return "a registry root or top-level key";
            case EntryRefusal::ControlSetKey: return "a key of a control set Windows needs";
            case EntryRefusal::WindowsKey: return "a key Windows needs, or one holding it";
            default: return "refused by the plug-in entry checks";
        }
    }

    RuleImport& report_;
    const RuleVariables& variables_;
    const EntryGuard& guard_;
    std::string refusal_;
};

bool looks_like_text(std::string_view text) { return text.find('\0') == std::string_view::npos; }

}  // namespace

RuleImport read_rule_file(std::string_view text, bool all) {
    if (!looks_like_text(text)) throw RuleFileError("the file is not text");
    const platform::ini::IniDocument document{std::string(text)};
    if (document.sections().empty()) throw RuleFileError("the file holds no entries");
    RuleImport report;
    const RuleVariables variables;
    const EntryGuard guard;
    EntryReader reader(report, variables, guard);
    std::set<std::string> seen;
    for (const auto& section : document.sections()) {
        if (!usable_name(section.name) || platform::text::is_blank(section.name)) {
            report.refused.push_back({section.name, "a name without | [ ] and not blank is needed"});
            continue;
        }
        if (!seen.insert(to_lower(section.name)).second) {
            report.refused.push_back({section.name, "a second entry of the same name"});
            continue;
        }
        std::optional<Plugin> plugin = reader.read(section);
        if (!plugin) continue;
        if (!all && !plugin_detected(*plugin, variables)) {
            report.not_installed.push_back(plugin->Name);
            continue;
        }
        report.definitions.push_back(std::move(*plugin));
    }
    return report;
}

}  // namespace engine
