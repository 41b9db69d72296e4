#pragma once
// Reg_Cleaner: finds registry entries that point at files or programs that are gone, in four
// places (the shared DLL counts, the uninstall list, the application paths and the history of
// the open/save dialog), removes the ones the user picks after backing each one up, and puts
// backups back. Entries travel as text (registry_entry.h); that text is shown, handed back for
// repair, and names the backup.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/foundation/class_table.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/event.h"
#include "engine/regcleaner/file_found.h"
#include "engine/regcleaner/registry_entry.h"

namespace engine {

class Reg_Cleaner : public EngineObject {
public:
    // The four scans in the order below, then Completed with the found-entry list. Progress gets
    // the share of the four lists' entries looked at. The user's Cancel of a cancellable run
    // (platform/sys/run_cancel.h) is heard before each entry: no further entry is looked at, and
    // Completed carries what was found until then, each entry as surely invalid as in a whole scan.
    void ScanRegistry();
    // Each scan raises FoundError for every invalid entry as it finds it and appends "|" and the
    // entry to the found-entry list, which nothing clears. ScanSoftwareRemoval and
    // ScanCommonDialogHistory pass over an entry that fails; a failure in the other two ends
    // the scan, and with it ScanRegistry, without Completed.
    void ScanSharedDlls();
    void ScanSoftwareRemoval();
    void ScanAppPaths();
    void ScanCommonDialogHistory();

    // path: one entry, or several joined with bars. Saves what they name (keys with their values
    // and subkeys, values with type and data) in one backup named `path`, reads it back, and only
    // then deletes them. Text that is not entries the scans make, an entry already gone, a backup
    // that fails and a key that keeps subkeys are said in the log; nothing is deleted unsaved.
    void CleanRegistry(std::string& path);
    // R: backup names joined with bars (a bar at either end is fine). Each backup is written back
    // exactly, then dropped from the store; one that cannot be read or written stays.
    void RestoreReg(std::string& R);

    Event<double> Progress;
    Event<std::string> FoundError;
    Event<std::string> Completed;
    Event<std::string> ShowLog;

private:
    // The private registry object of one member call, its ShowLog passed on as ours.
    struct OwnRegistry {
        OwnRegistry(Reg_Cleaner& owner, ERegistryClassConstants root, std::string_view key);
        // Names with data as text (a DWORD as its digits, REG_EXPAND_SZ expanded; "" when
        // missing), read with one lookup of the key: the lists scanned hold thousands.
        using NamedTexts = std::vector<std::pair<std::string, std::string>>;
        // The values of the key.
        NamedTexts value_texts();
        // The subkeys of the key, each with its value `name`.
        NamedTexts subkey_texts(std::string_view name);

        cRegistry reg;
        EventRelay<std::string> relay;
    };

    // The lists the four scans look through, each read with one lookup.
    OwnRegistry::NamedTexts shared_dlls_list();
    OwnRegistry::NamedTexts software_removal_list();
    OwnRegistry::NamedTexts app_paths_list();
    OwnRegistry::NamedTexts common_dialog_history_list();
    void scan_shared_dlls(regcleaner::FileIndex& files, const OwnRegistry::NamedTexts& list);
    void scan_software_removal(regcleaner::FileIndex& files, const OwnRegistry::NamedTexts& list);
    void scan_app_paths(regcleaner::FileIndex& files, const OwnRegistry::NamedTexts& list);
    void scan_common_dialog_history(regcleaner::FileIndex& files, const OwnRegistry::NamedTexts& list);
    // A pass over `entries` entries starts: Progress counts from 0 again.
    void begin_pass(size_t entries);
    // Before each entry: false once the user has cancelled; else counts it and raises Progress.
    bool next_entry();
    void found_key(std::string_view key, const std::string& subkey);
    void found_value(ERegistryClassConstants root, std::string_view key, const std::string& name,
                     const std::string& data);
    // One line in the daily log and the log window: the message's text, a blank, the subject.
    void report(std::string_view message_key, const std::string& subject);

    std::optional<std::vector<regcleaner::RegistryEntry>> entries_of(const std::string& text);
    void delete_entry(OwnRegistry& registry, const regcleaner::RegistryEntry& entry, const std::string& text);
    void restore_backup(OwnRegistry& registry, const std::string& name);

    std::string found_;
    size_t looked_at_ = 0, to_look_at_ = 0;
};

}  // namespace engine
