// The four scans of Reg_Cleaner and the text of what they find.

#include "engine/foundation/engine_error.h"
#include "engine/regcleaner/entry_reason.h"
#include "engine/regcleaner/file_found.h"
#include "engine/regcleaner/reg_cleaner.h"
#include "platform/machine/machine.h"
#include "platform/sys/run_cancel.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::iequals;

TAVRIN_ENGINE_CLASS(Reg_Cleaner, "{0967BFB1-E3F1-4A06-91A0-7B2185D96B84}");

namespace {

using namespace regcleaner;

// Product codes ("{...}") and the installer's own bookkeeping key are never reported.
bool may_report_uninstall_key(const std::string& name) {
    return !iequals(name, "installshield uninstall information") && name.find('{') == std::string::npos;
}

}  // namespace

Reg_Cleaner::OwnRegistry::OwnRegistry(Reg_Cleaner& owner, ERegistryClassConstants root, std::string_view key)
    : relay(reg.ShowLog, owner.ShowLog) {
    reg.ClassKey(root);
    reg.SectionKey(std::string(key));
}

namespace {

std::vector<std::pair<std::string, std::string>> as_texts(std::vector<platform::registry::Registry::NamedValue> found) {
    std::vector<std::pair<std::string, std::string>> texts;
    texts.reserve(found.size());
    for (auto& item : found) {
        texts.emplace_back(std::move(item.name), item.value ? value_as_variant(*item.value).to_text() : std::string());
    }
    return texts;
}

}  // namespace

Reg_Cleaner::OwnRegistry::NamedTexts Reg_Cleaner::OwnRegistry::value_texts() {
    auto root = static_cast<platform::registry::Root>(reg.ClassKey());
    return as_texts(platform::current_machine().registry().values(root, reg.SectionKey()));
}

Reg_Cleaner::OwnRegistry::NamedTexts Reg_Cleaner::OwnRegistry::subkey_texts(std::string_view name) {
    auto root = static_cast<platform::registry::Root>(reg.ClassKey());
    return as_texts(platform::current_machine().registry().subkey_values(root, reg.SectionKey(), name));
}

void Reg_Cleaner::found_key(std::string_view key, const std::string& subkey) {
    std::string entry = key_entry_text(HKEY_LOCAL_MACHINE, key, subkey);
    FoundError(entry);
    found_ += "|" + entry;
}

void Reg_Cleaner::found_value(ERegistryClassConstants root, std::string_view key, const std::string& name,
                              const std::string& data) {
    FoundError(value_found_text(root, key, name, data));
    found_ += "|" + value_entry_text(root, key, name, data);
}

// One view of the drives for the four scans: the uninstall list and the application paths
// mostly name the same program folders. The lists are read first, so that the share done is known.
void Reg_Cleaner::ScanRegistry() {
    const auto shared = shared_dlls_list();
    const auto uninstall = software_removal_list();
    const auto app_paths = app_paths_list();
    const auto history = common_dialog_history_list();
    begin_pass(shared.size() + uninstall.size() + app_paths.size() + history.size());
    FileIndex files;
    scan_shared_dlls(files, shared);
    scan_software_removal(files, uninstall);
    scan_app_paths(files, app_paths);
    scan_common_dialog_history(files, history);
    Completed(found_);
}

void Reg_Cleaner::ScanSharedDlls() {
    const auto list = shared_dlls_list();
    begin_pass(list.size());
    FileIndex files;
    scan_shared_dlls(files, list);
}

void Reg_Cleaner::ScanSoftwareRemoval() {
    const auto list = software_removal_list();
    begin_pass(list.size());
    FileIndex files;
    scan_software_removal(files, list);
}

void Reg_Cleaner::ScanAppPaths() {
    const auto list = app_paths_list();
    begin_pass(list.size());
    FileIndex files;
    scan_app_paths(files, list);
}

void Reg_Cleaner::ScanCommonDialogHistory() {
    const auto list = common_dialog_history_list();
    begin_pass(list.size());
    FileIndex files;
    scan_common_dialog_history(files, list);
}

void Reg_Cleaner::begin_pass(size_t entries) {
    looked_at_ = 0;
    to_look_at_ = entries;
}

bool Reg_Cleaner::next_entry() {
    if (platform::run_cancel_requested()) return false;
    ++looked_at_;
    Progress(100.0 * static_cast<double>(looked_at_) / static_cast<double>(to_look_at_));
    return true;
}

Reg_Cleaner::OwnRegistry::NamedTexts Reg_Cleaner::shared_dlls_list() {
    return OwnRegistry(*this, HKEY_LOCAL_MACHINE, kSharedDllsKey).value_texts();
}

Reg_Cleaner::OwnRegistry::NamedTexts Reg_Cleaner::software_removal_list() {
    return OwnRegistry(*this, HKEY_LOCAL_MACHINE, kUninstallKey).subkey_texts("UninstallString");
}

Reg_Cleaner::OwnRegistry::NamedTexts Reg_Cleaner::app_paths_list() {
    return OwnRegistry(*this, HKEY_LOCAL_MACHINE, kAppPathsKey).subkey_texts("");
}

Reg_Cleaner::OwnRegistry::NamedTexts Reg_Cleaner::common_dialog_history_list() {
    return OwnRegistry(*this, HKEY_CURRENT_USER, kOpenSaveMruKey).value_texts();
}

// The value names are the files that are shared.
void Reg_Cleaner::scan_shared_dlls(FileIndex& files, const OwnRegistry::NamedTexts& list) {
    for (const auto& [name, data] : list) {
        if (!next_entry()) return;
        if (files.found_as_normal_file(name)) continue;
        found_value(HKEY_LOCAL_MACHINE, kSharedDllsKey, name, data);
    }
}

// An empty or vanished uninstaller is reported.
void Reg_Cleaner::scan_software_removal(FileIndex& files, const OwnRegistry::NamedTexts& list) {
    for (const auto& [name, command] : list) {
        if (!next_entry()) return;
        // Named captures: clang 14 does not let a lambda capture structured bindings.
        ignore_errors([&, &name = name, &command = command] {
            if (!may_report_uninstall_key(name)) return;
            std::string program = uninstall_program(command);
            if (!program.empty() && files.found_as_normal_file(program)) return;
            found_key(kUninstallKey, name);
        });
    }
}

// An empty default value is no claim about any file, so only a vanished one is reported.
void Reg_Cleaner::scan_app_paths(FileIndex& files, const OwnRegistry::NamedTexts& list) {
    for (const auto& [name, path] : list) {
        if (!next_entry()) return;
        std::string program = without_quotes(path);
        if (program.empty() || files.found_as_normal_file(program)) continue;
        found_key(kAppPathsKey, name);
    }
}

// "MRUList" only says in which order the others were used.
void Reg_Cleaner::scan_common_dialog_history(FileIndex& files, const OwnRegistry::NamedTexts& list) {
    for (const auto& [name, data] : list) {
        if (!next_entry()) return;
        ignore_errors([&, &name = name, &data = data] {
            if (iequals(name, "mrulist")) return;
            std::string file = without_quotes(data);
            if (files.found_as_normal_file(file)) return;
            found_value(HKEY_CURRENT_USER, kOpenSaveMruKey, name, file);
        });
    }
}

}  // namespace engine
