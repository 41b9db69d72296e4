#include "engine/plugins/plugins.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "engine/foundation/engine_error.h"
#include "engine/foundation/engine_folder.h"
#include "engine/foundation/ini.h"
#include "engine/foundation/message_text.h"
#include "engine/plugins/blowfish.h"
#include "engine/plugins/plugin_detection.h"
#include "engine/plugins/plugin_registry_entry.h"
#include "engine/plugins/rule_variables.h"
#include "engine/shredder/shredder.h"
#include "engine/tools/system.h"
#include "platform/ini/profile.h"
#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"
#include "platform/text/bar_list.h"
#include "platform/text/trim.h"

namespace engine {

using platform::text::split_bars;
using platform::text::to_lower;
using platform::text::trim_blanks;

TAVRIN_ENGINE_CLASS(Plugins, "{9D2F4B61-3E85-4A7C-B0D8-6C1E5F2A9B34}");

namespace {

constexpr const char* kSource = "Tavrin.Plugins";
constexpr int32_t kPluginFileUnreadable = static_cast<int32_t>(0x80040001u);
constexpr int32_t kPluginFileUnwritable = static_cast<int32_t>(0x80040002u);
constexpr int32_t kPluginNameUnusable = static_cast<int32_t>(0x80040003u);
constexpr int32_t kPluginEntryUnstorable = static_cast<int32_t>(0x80040004u);

// A section name the file and the screen's lists can carry: not blank (an empty name ends the
// list of sections), without the list separator "|", brackets or line breaks.
bool usable_name(const std::string& name) {
    constexpr std::string_view kUnusable("|[]\r\n\0", 6);
    return !platform::text::is_blank(name) && name.find_first_of(kUnusable) == std::string::npos;
}

// The value of the leading digits (blanks before them skipped), 0 without any, at most the
// largest 16-bit count.
int16_t leading_count(const std::string& text) {
    int32_t count = 0;
    for (char digit : platform::text::trim_leading(text, " \t")) {
        if (digit < '0' || digit > '9') break;
        count = std::min<int32_t>(count * 10 + (digit - '0'), INT16_MAX);
    }
    return static_cast<int16_t>(count);
}

}  // namespace

Plugins::Plugins() = default;

bool Plugins::shred_old_working_copy() {
    const std::string path = System().getWDirectory() + "\\npl.pln";
    auto& files = platform::current_machine().files();
    if (!files.exists(path)) return false;
    Shredder().FileShred(path);
    return !files.exists(path);
}

std::string Plugins::plugin_file() { return engine_path("plugins\\plugins.dll"); }

bool Plugins::EncryptPluginsFile(bool Flag) {
    // A command served halfway through (a list refresh, a second add) would decrypt over the
    // working copy this operation is editing, and an add could undo another; the file is small.
    Blowfish cipher(false);
    if (Flag) return cipher.encrypt_memory_to_file(working_copy_.text(), plugin_file(), kFileKey);
    // The plain definitions are kept in memory only, never in a file: they are what the
    // encryption protects. A file that does not decrypt leaves nothing to read.
    auto plain = cipher.decrypt_file_to_memory(plugin_file(), kFileKey);
    working_copy_ = platform::ini::IniDocument(plain.value_or(""));
    return plain.has_value();
}

namespace {

// What the older reader gave for a missing or empty key, which entries are still tested for.
const std::string kMissingValue(INI::kValueBufferSize, '\0');

std::string value_of(const platform::ini::IniDocument::Section& section, std::string_view key) {
    auto value = platform::ini::section_value(section, key);
    return value && !value->empty() ? std::string(*value) : kMissingValue;
}

std::vector<std::string> older_list(const platform::ini::IniDocument::Section& section, std::string_view stem,
                                    int16_t count) {
    std::vector<std::string> items;
    for (int32_t j = 0; j <= count; ++j) items.push_back(value_of(section, std::string(stem) + std::to_string(j)));
    return items;
}

// The values of the keys named the stem and a number (or the bare stem, when `bare` allows it),
// in file order: a rule file numbers its keys with gaps and sometimes not at all.
std::vector<std::string> rule_list(const platform::ini::IniDocument::Section& section, std::string_view stem, bool bare) {
    std::vector<std::string> items;
    for (const auto& entry : section.entries) {
        const std::string_view name = entry.name;
        if (!entry.value || name.size() < stem.size() || !platform::text::iequals(name.substr(0, stem.size()), stem))
            continue;
        const std::string_view number = name.substr(stem.size());
        if ((number.empty() && !bare) || number.find_first_not_of("0123456789") != std::string_view::npos) continue;
        const std::string_view value = platform::ini::read_value(*entry.value);
        if (!value.empty()) items.emplace_back(value);
    }
    return items;
}

std::string text_of(const platform::ini::IniDocument::Section& section, std::string_view key) {
    auto value = platform::ini::section_value(section, key);
    return value ? std::string(*value) : std::string();
}

Plugin read_definition(const platform::ini::IniDocument::Section& section, const RuleVariables& variables) {
    Plugin plugin;
    plugin.Name = section.name;
    plugin.Cat = value_of(section, "CAT");
    plugin.Default = to_lower(trim_blanks(value_of(section, "Default"))) == "true";
    plugin.Detect = value_of(section, "Detect");
    plugin.FC = leading_count(value_of(section, "FC"));
    plugin.FOC = leading_count(value_of(section, "FOC"));
    plugin.RC = leading_count(value_of(section, "RC"));
    plugin.App = value_of(section, "APP");
    plugin.rclist = older_list(section, "rk", plugin.RC);
    plugin.fclist = older_list(section, "fk", plugin.FC);
    plugin.foclist = older_list(section, "fok", plugin.FOC);
    plugin.FileKeys = rule_list(section, "FileKey", true);
    plugin.RegKeys = rule_list(section, "RegKey", true);
    plugin.ExcludeKeys = rule_list(section, "ExcludeKey", true);
    plugin.DetectKeys = rule_list(section, "Detect", false);
    plugin.DetectFiles = rule_list(section, "DetectFile", true);
    plugin.DetectOS = text_of(section, "DetectOS");
    plugin.Warning = text_of(section, "Warning");
    plugin.Source = text_of(section, "Source");
    plugin.WarningSeen = to_lower(trim_blanks(text_of(section, "WarningSeen"))) == "true";
    plugin.Exists = plugin_detected(plugin, variables);
    return plugin;
}

// The file gives back a value as it was written: on one line, without blanks or quotes around it.
bool stored_whole(std::string_view value) { return platform::ini::reads_back_whole(value, UINT32_MAX); }

void add_line(std::string& text, std::string_view key, std::string_view value) {
    text.append(key).append("=").append(value).append("\r\n");
}

void add_list(std::string& text, std::string_view stem, const std::vector<std::string>& items) {
    for (size_t i = 0; i < items.size(); ++i) add_line(text, std::string(stem) + std::to_string(i + 1), items[i]);
}

// A rule-form definition as the file keeps it. The older keys come first and say "nothing of
// the older form": a previous version lists the plug-in, finds its program by Detect and leaves
// the keys it does not know alone.
std::string definition_text(const Plugin& plugin) {
    std::string text = "[" + plugin.Name + "]\r\n";
    add_line(text, "CAT", plugin.Cat);
    add_line(text, "Default", plugin.Default ? "true" : "false");
    add_line(text, "Detect", plugin.Detect);
    for (const char* count : {"RC", "FC", "FOC"}) add_line(text, count, "0");
    add_line(text, "Source", plugin.Source);
    if (!plugin.Warning.empty()) add_line(text, "Warning", plugin.Warning);
    if (!plugin.DetectOS.empty()) add_line(text, "DetectOS", plugin.DetectOS);
    add_list(text, "Detect", plugin.DetectKeys);
    add_list(text, "DetectFile", plugin.DetectFiles);
    add_list(text, "FileKey", plugin.FileKeys);
    add_list(text, "RegKey", plugin.RegKeys);
    add_list(text, "ExcludeKey", plugin.ExcludeKeys);
    return text;
}

}  // namespace

std::vector<Plugin> Plugins::Load_Extra_plugins() {
    EncryptPluginsFile(false);
    const RuleVariables variables;
    std::vector<Plugin> plugins;
    std::set<std::string> seen;
    for (const auto& section : working_copy_.sections()) {
        if (section.name.empty() || !seen.insert(to_lower(section.name)).second) continue;
        plugins.push_back(read_definition(section, variables));
    }
    // The list ends with an empty record, as the screen's lists expect.
    plugins.emplace_back();
    return plugins;
}

void Plugins::write_key(const std::string& section, const std::string& key, const std::string& value) {
    INI::write_in(working_copy_, section, key, value);
}

void Plugins::write_list(const std::string& section, const std::string& stem, const std::vector<std::string>& items) {
    for (size_t i = 0; i < items.size(); ++i) write_key(section, stem + std::to_string(i + 1), items[i]);
}

void Plugins::refresh_for_writing() {
    // A file that exists and does not decrypt is the user's plug-ins under another key or a
    // damaged copy of them: writing over it would lose them for good.
    const bool refreshed = EncryptPluginsFile(false);
    const auto stored = platform::current_machine().files().file_size(plugin_file());
    if (!refreshed && stored.value_or(0) > 0)
        throw EngineError(kPluginFileUnreadable, kSource, GetMessageText("msg74"));
}

void Plugins::AddPlugin(Plugin& P) {
    if (!usable_name(P.Name)) throw EngineError(kPluginNameUnusable, kSource, GetMessageText("msg77"));
    const std::vector<std::string> keys = split_bars(P.SetRCList);
    const std::vector<std::string> files = split_bars(P.SetFCList);
    const std::vector<std::string> folders = split_bars(P.SetFOCList);
    // What the file would give back otherwise is another entry.
    const std::vector<std::string> fields = {P.Detect, P.Cat};
    for (const std::vector<std::string>* values : {&fields, &keys, &files, &folders}) {
        for (const std::string& value : *values) {
            if (!stored_whole(value))
                throw EngineError(kPluginEntryUnstorable, kSource, GetMessageText("msg442") + " " + value);
        }
    }
    refresh_for_writing();

    write_key(P.Name, "Detect", P.Detect);
    write_key(P.Name, "RC", std::to_string(keys.size()));
    write_key(P.Name, "FC", std::to_string(files.size()));
    write_key(P.Name, "FOC", std::to_string(folders.size()));
    write_key(P.Name, "CAT", P.Cat);
    write_list(P.Name, "RK", keys);
    write_list(P.Name, "FK", files);
    write_list(P.Name, "FOK", folders);

    if (!EncryptPluginsFile(true)) throw EngineError(kPluginFileUnwritable, kSource, GetMessageText("msg75"));
}

void Plugins::WarningAccepted(const std::string& name) {
    refresh_for_writing();
    write_key(name, "WarningSeen", "true");
    if (!EncryptPluginsFile(true)) throw EngineError(kPluginFileUnwritable, kSource, GetMessageText("msg75"));
}

std::vector<std::string> Plugins::ImportPlugins(const std::vector<Plugin>& definitions) {
    for (const Plugin& plugin : definitions) {
        if (!usable_name(plugin.Name)) throw EngineError(kPluginNameUnusable, kSource, GetMessageText("msg77"));
        for (const std::string& value : {plugin.Cat, plugin.Detect, plugin.Warning, plugin.DetectOS, plugin.Source}) {
            if (!value.empty() && !stored_whole(value))
                throw EngineError(kPluginEntryUnstorable, kSource, GetMessageText("msg442") + " " + value);
        }
        for (const auto* list : {&plugin.FileKeys, &plugin.RegKeys, &plugin.ExcludeKeys, &plugin.DetectKeys, &plugin.DetectFiles}) {
            for (const std::string& value : *list)
                if (!stored_whole(value))
                    throw EngineError(kPluginEntryUnstorable, kSource, GetMessageText("msg442") + " " + value);
        }
    }
    refresh_for_writing();
    std::set<std::string> own, replaced;
    for (const auto& section : working_copy_.sections()) {
        const bool imported = !text_of(section, "Source").empty();
        (imported ? replaced : own).insert(to_lower(section.name));
    }
    std::vector<std::string> left_out;
    std::set<std::string> written;
    std::string added;
    for (const Plugin& plugin : definitions) {
        const std::string name = to_lower(plugin.Name);
        if (own.contains(name)) {
            left_out.push_back(plugin.Name);
            continue;
        }
        if (written.insert(name).second) added += definition_text(plugin);
    }
    std::string text = working_copy_.text_without([&](const platform::ini::IniDocument::Section& section) {
        const std::string name = to_lower(section.name);
        return replaced.contains(name) && written.contains(name);
    });
    if (!text.empty() && text.back() != '\n') text += "\r\n";
    working_copy_ = platform::ini::IniDocument(text + added);
    if (!EncryptPluginsFile(true)) throw EngineError(kPluginFileUnwritable, kSource, GetMessageText("msg75"));
    return left_out;
}

}  // namespace engine
