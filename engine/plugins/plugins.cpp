#include "engine/plugins/plugins.h"

#include <algorithm>

#include "engine/foundation/engine_error.h"
#include "engine/foundation/engine_folder.h"
#include "engine/foundation/ini.h"
#include "engine/foundation/message_text.h"
#include "engine/plugins/blowfish.h"
#include "engine/plugins/plugin_registry_entry.h"
#include "engine/shredder/shredder.h"
#include "engine/tools/system.h"
#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"
#include "platform/text/bar_list.h"
#include "platform/text/split.h"
#include "platform/text/trim.h"

namespace engine {

using platform::text::split;
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

std::string Plugins::read_key(const std::string& section, const std::string& key) {
    return INI::value_in(working_copy_, section, key);
}

std::vector<std::string> Plugins::read_list(const std::string& section, const std::string& stem, int16_t count) {
    std::vector<std::string> items;
    for (int32_t j = 0; j <= count; ++j) items.push_back(read_key(section, stem + std::to_string(j)));
    return items;
}

Plugin Plugins::read_definition(const std::string& section) {
    Plugin plugin;
    plugin.Name = section;
    plugin.Cat = read_key(section, "CAT");
    plugin.Default = to_lower(trim_blanks(read_key(section, "Default"))) == "true";
    plugin.Detect = read_key(section, "Detect");
    plugin.FC = leading_count(read_key(section, "FC"));
    plugin.FOC = leading_count(read_key(section, "FOC"));
    plugin.RC = leading_count(read_key(section, "RC"));
    plugin.App = read_key(section, "APP");
    plugin.Exists = registry_key_exists(plugin.Detect);
    plugin.rclist = read_list(section, "rk", plugin.RC);
    plugin.fclist = read_list(section, "fk", plugin.FC);
    plugin.foclist = read_list(section, "fok", plugin.FOC);
    return plugin;
}

std::vector<Plugin> Plugins::Load_Extra_plugins() {
    EncryptPluginsFile(false);
    const std::vector<std::string> sections = split(INI::sections_in(working_copy_), '\0');
    // The section list ends with an empty name, and so does the result: with one empty record.
    std::vector<Plugin> plugins;
    for (const std::string& section : sections) {
        if (section.empty()) {
            plugins.emplace_back();
            break;
        }
        plugins.push_back(read_definition(section));
    }
    return plugins;
}

void Plugins::write_key(const std::string& section, const std::string& key, const std::string& value) {
    INI::write_in(working_copy_, section, key, value);
}

void Plugins::write_list(const std::string& section, const std::string& stem, const std::vector<std::string>& items) {
    for (size_t i = 0; i < items.size(); ++i) write_key(section, stem + std::to_string(i + 1), items[i]);
}

void Plugins::AddPlugin(Plugin& P) {
    if (!usable_name(P.Name)) throw EngineError(kPluginNameUnusable, kSource, GetMessageText("msg77"));
    const std::vector<std::string> keys = split_bars(P.SetRCList);
    const std::vector<std::string> files = split_bars(P.SetFCList);
    const std::vector<std::string> folders = split_bars(P.SetFOCList);
    // What the file would give back otherwise is another entry: a folder entry cut short names
    // the folder above the one meant.
    const std::vector<std::string> fields = {P.Detect, P.Cat};
    for (const std::vector<std::string>* values : {&fields, &keys, &files, &folders}) {
        for (const std::string& value : *values) {
            if (!INI::keeps_whole(value))
                throw EngineError(kPluginEntryUnstorable, kSource, GetMessageText("msg442") + " " + value);
        }
    }
    // A file that exists and does not decrypt is the user's plug-ins under another key or a
    // damaged copy of them: writing over it would lose them for good.
    const bool refreshed = EncryptPluginsFile(false);
    const auto stored = platform::current_machine().files().file_size(plugin_file());
    if (!refreshed && stored.value_or(0) > 0)
        throw EngineError(kPluginFileUnreadable, kSource, GetMessageText("msg74"));

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

}  // namespace engine
