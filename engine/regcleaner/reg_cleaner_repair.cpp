// Repair and restore of Reg_Cleaner: every removal is saved first, as export text that restore
// writes back exactly.
#include <algorithm>

#include "engine/foundation/engine_error.h"
#include "engine/foundation/logger.h"
#include "engine/foundation/message_text.h"
#include "engine/regcleaner/backup_store.h"
#include "engine/regcleaner/reg_cleaner.h"
#include "engine/regcleaner/registry_copy.h"
#include "platform/text/bar_list.h"

namespace engine {

using platform::text::split_bars;
using platform::text::trim_bars;

namespace {

using namespace regcleaner;

constexpr std::string_view kBackupFailed = "msg60";
constexpr std::string_view kNotAnEntry = "msg200";
constexpr std::string_view kKeyKept = "msg201";
constexpr std::string_view kAlreadyGone = "msg202";
constexpr std::string_view kRestored = "msg203";
constexpr std::string_view kBackupUnreadable = "msg204";
constexpr std::string_view kNoSuchBackup = "msg205";
constexpr std::string_view kRestoreFailed = "msg206";
constexpr std::string_view kNothingToRestore = "msg444";

bool covered(const RegistryExport& keys, const std::vector<RegistryEntry>& entries) {
    return std::all_of(keys.begin(), keys.end(), [&](const ExportedKey& key) {
        auto covers_key = [&](const RegistryEntry& e) { return e.covers_key(key.root, key.path); };
        if (std::none_of(entries.begin(), entries.end(), covers_key)) return false;
        return std::all_of(key.values.begin(), key.values.end(), [&](const ExportedValue& value) {
            return std::any_of(entries.begin(), entries.end(), [&](const RegistryEntry& e) {
                return e.covers_value(key.root, key.path, value.name);
            });
        });
    });
}

// The pieces of an earlier backup that belong to one entry.
void append_covered(const RegistryExport& earlier, const RegistryEntry& entry, RegistryExport& out) {
    std::copy_if(earlier.begin(), earlier.end(), std::back_inserter(out),
                 [&](const ExportedKey& key) { return covered({key}, {entry}); });
}

// What is there now of each entry; an entry already gone keeps what an earlier backup of the same
// name holds of it, so repairing twice never overwrites a backup with less.
RegistryExport backup_contents(const std::vector<RegistryEntry>& entries, const std::string& name) {
    RegistryExport earlier;
    if (auto stored = read_backup(name)) {
        if (auto parsed = parse_export(*stored)) earlier = std::move(*parsed);
    }
    RegistryExport keys;
    for (const RegistryEntry& entry : entries) {
        bool copied = entry.is_value() ? copy_value(entry.root, entry.key_path, *entry.value_name, keys)
                                       : copy_key_tree(entry.root, entry.key_path, keys);
        if (!copied) append_covered(earlier, entry, keys);
    }
    return keys;
}

// Saved only when the text reads back into exactly what was copied.
bool save_backup(const std::string& name, const RegistryExport& keys) {
    auto text = format_export(keys);
    if (!text) return false;
    auto reread = parse_export(*text);
    return reread && same_export(*reread, keys) && write_backup(name, *text);
}

}  // namespace

void Reg_Cleaner::report(std::string_view message_key, const std::string& subject) {
    std::string section = GetMessageText(message_key) + " ";
    std::string text = subject;
    ignore_errors([&] { Logger().AddToLog(section, text); });
    ignore_errors([&] { ShowLog(section + text); });
}

std::optional<std::vector<RegistryEntry>> Reg_Cleaner::entries_of(const std::string& text) {
    std::vector<RegistryEntry> entries;
    for (const std::string& part : split_bars(text)) {
        if (part.empty()) continue;
        auto entry = parse_entry(part);
        if (!entry) {
            report(kNotAnEntry, part);
            return std::nullopt;
        }
        entries.push_back(std::move(*entry));
    }
    if (entries.empty()) return std::nullopt;
    return entries;
}

void Reg_Cleaner::CleanRegistry(std::string& path) {
    auto entries = entries_of(path);
    if (!entries) return;
    if (std::none_of(entries->begin(), entries->end(), entry_in_registry)) {
        report(kAlreadyGone, path);
        return;
    }
    if (!save_backup(path, backup_contents(*entries, path))) {
        report(kBackupFailed, path);
        return;
    }
    OwnRegistry registry(*this, HKEY_LOCAL_MACHINE, "");
    for (const RegistryEntry& entry : *entries) delete_entry(registry, entry, path);
}

void Reg_Cleaner::delete_entry(OwnRegistry& registry, const RegistryEntry& entry, const std::string& text) {
    cRegistry& reg = registry.reg;
    reg.ClassKey(entry.root);
    reg.SectionKey(entry.key_path);
    if (entry.is_value()) {
        reg.ValueKey(*entry.value_name);
        reg.DeleteValue();
        return;
    }
    // A single key goes only without subkeys, as on Windows; the backup stays for the user to see.
    if (reg.KeyExists() && !reg.DeleteKey()) report(kKeyKept, text);
}

void Reg_Cleaner::RestoreReg(std::string& R) {
    OwnRegistry registry(*this, HKEY_CURRENT_USER, kBackupKey);
    std::vector<std::string> parts = split_bars(trim_bars(R));
    // A backup's own name may hold bars (several entries repaired at once): the longest run of
    // parts that names a backup is taken first.
    for (size_t first = 0; first < parts.size();) {
        if (parts[first].empty()) {
            ++first;
            continue;
        }
        size_t last = parts.size();
        std::string name;
        for (; last > first; --last) {
            name = parts[first];
            for (size_t i = first + 1; i < last; ++i) name += "|" + parts[i];
            if (read_backup(name)) break;
        }
        if (last == first) {
            report(kNoSuchBackup, parts[first]);
            ++first;
            continue;
        }
        restore_backup(registry, name);
        first = last;
    }
}

void Reg_Cleaner::restore_backup(OwnRegistry& registry, const std::string& name) {
    auto entries = entries_of(name);
    auto text = read_backup(name);
    if (!entries || !text) {
        report(kBackupUnreadable, name);
        return;
    }
    bool restored = false;
    if (*text == kOldBackupData) {
        // Older versions kept only the entry text: a key comes back empty, a value as text.
        restored = ignore_errors([&] {
            for (const RegistryEntry& entry : *entries) {
                cRegistry& reg = registry.reg;
                reg.ClassKey(entry.root);
                reg.SectionKey(entry.key_path);
                if (!entry.is_value()) {
                    reg.CreateKey();
                    continue;
                }
                reg.ValueKey(*entry.value_name);
                reg.ValueType(REG_SZ);
                reg.Value(Variant(entry.data));
            }
        });
    } else {
        auto keys = parse_export(*text);
        if (!keys || !covered(*keys, *entries)) {
            report(kBackupUnreadable, name);
            return;
        }
        // A header without keys would "restore" by writing nothing and then lose the backup.
        if (keys->empty()) {
            report(kNothingToRestore, name);
            return;
        }
        restored = write_export(*keys);
    }
    if (!restored) {
        report(kRestoreFailed, name);
        return;
    }
    report(kRestored, name);
    delete_backup(name);
}

}  // namespace engine
