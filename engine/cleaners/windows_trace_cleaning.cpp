// The Windows traces members of Misc_Functions.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cleaners/cleanable_folder.h"
#include "engine/cleaners/misc_functions.h"
#include "engine/cleaners/relayed_registry.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/message_text.h"
#include "engine/shredder/refusal.h"
#include "engine/shredder/path_pieces.h"
#include "engine/tools/system.h"
#include "platform/machine/machine.h"
#include "platform/shell/clipboard.h"
#include "platform/shell/recycle_bins.h"

namespace engine {

namespace {

constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kNtCurrentVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kUserEnvironment = "Environment";

constexpr const char* kRegEdit = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
constexpr const char* kComDlg32 = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32";
constexpr const char* kDirectInputMRU = "HKEY_CURRENT_USER\\Software\\Microsoft\\DirectInput\\MostRecentApplication";
constexpr const char* kPrinterConnections = "HKEY_CURRENT_USER\\Printers\\Connections";
constexpr const char* kDirect3DMRU = "HKEY_CURRENT_USER\\Software\\Microsoft\\Direct3D\\MostRecentApplication";
constexpr const char* kDirectDrawMRU = "HKEY_CURRENT_USER\\Software\\Microsoft\\DirectDraw\\MostRecentApplication";
constexpr const char* kPaintMRU =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List";
constexpr const char* kFindHistory = "HKEY_CURRENT_USER\\Software\\Microsoft\\Search Assistant\\ACMru";
constexpr const char* kMediaPlayerFiles = "HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList";
constexpr const char* kMediaPlayerUrls = "HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Player\\RecentURLList";
constexpr const char* kUserAssist = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist";
constexpr const char* kTypedPaths = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TypedPaths";
constexpr const char* kWordWheelQuery =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\WordWheelQuery";
// The folders of the Recent folder where the taskbar keeps each program's jump list.
constexpr const char* kJumpListFolders[] = {"AutomaticDestinations", "CustomDestinations"};
constexpr const char* kWordpadMRU =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List";
constexpr const char* kRecentLists[] = {
    "HKey_Current_User\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StreamMRU",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Streams",
};
constexpr const char* kNetworkConnections = "Network\\Connections";
constexpr const char* kRunMRU = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";

// Log texts: a folder that must never be emptied, a clipboard that could not be cleared.
constexpr std::string_view kClipboardMessage = "msg84";
constexpr std::string_view kOfflineClipboardMessage = "msg1020";

std::string read_text(ERegistryClassConstants root, const std::string& key, const std::string& name) {
    cRegistry reg;
    return reg.ValueEx(root, key, name, REG_NONE, Variant()).to_text();
}

std::string shell_folder(const std::string& name) { return read_text(HKEY_CURRENT_USER, kShellFolders, name); }

// The Windows folder, or "" when the machine records none: a guessed one is not to be emptied.
std::string recorded_windows_folder() {
    if (read_text(HKEY_LOCAL_MACHINE, kNtCurrentVersion, "SystemRoot").empty()) return {};
    return System().getWDirectory();
}

// "Local Settings\temp" where the shell folder is set (older systems); otherwise the user's own
// TEMP, as Wine sets it, expanded from the machine's registry.
std::string user_temp_folder() {
    std::string local_settings = shell_folder("Local Settings");
    if (!local_settings.empty()) return local_settings + "\\temp";
    return read_text(HKEY_CURRENT_USER, kUserEnvironment, "TEMP");
}

// The names of the keys right below a key of the current user; none when it cannot be listed.
std::vector<std::string> subkey_names(const std::string& key) {
    cRegistry reg;
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey(key);
    std::vector<std::string> names;
    int32_t count = 0;
    ignore_errors([&] { reg.EnumerateSections(names, count); });
    return names;
}

// A key of the current user with everything below it, each key going as one with its values, so
// that only keys are named. Windows puts no keys below a UserAssist Count key; any there would
// otherwise keep it from going.
void delete_keys_with_their_values(RelayedRegistry& reg, const std::string& key) {
    for (const auto& below : subkey_names(key)) delete_keys_with_their_values(reg, key + "\\" + below);
    ignore_errors([&] { reg.delete_key(HKEY_CURRENT_USER, key); });
}

void delete_trees(const Event<std::string>& show_log, std::initializer_list<const char*> paths) {
    RelayedRegistry reg(show_log);
    for (const char* path : paths) reg.delete_tree(path);
}

// After the shredder has emptied a folder's files: its subfolders bottom up, and links to
// folders as links. A folder still holding a file the shredder had to leave stays.
void remove_subfolders(platform::fs::FileSystem& files, const std::string& folder) {
    namespace attr = platform::fs::attr;
    for (const auto& entry : files.find(join_path(folder, "*"))) {
        if (!(entry.attributes & attr::Directory) || entry.name == "." || entry.name == "..") continue;
        std::string path = join_path(folder, entry.name);
        if (!(entry.attributes & attr::ReparsePoint)) remove_subfolders(files, path);
        ignore_errors([&] { files.remove_directory(path); });
    }
}

}  // namespace

Misc_Functions::Misc_Functions() { ignore_errors([&] { windows_folder_ = recorded_windows_folder(); }); }

bool Misc_Functions::may_walk(const std::string& folder, const std::string& what,
                              std::optional<std::string> (*refusal)(const std::string&)) {
    if (folder.empty()) {
        report_to_log(ShowLog, kNotFoundMessage, what);
        return false;
    }
    const auto reason = refusal(folder);
    if (reason) report_to_log(ShowLog, kRefusedMessage, note_refusal(folder, *reason));
    return !reason;
}

void Misc_Functions::shred_named_folder(const std::string& folder, const std::string& what, bool delete_contents_only) {
    if (!may_walk(folder, what, folder_refusal)) return;
    shred_checked_folder(ShowLog, folder, delete_contents_only, "*");
}

Variant Misc_Functions::CleanNetworkConnections() {
    RelayedRegistry(ShowLog).delete_key(HKEY_CURRENT_USER, kNetworkConnections);
    return {};
}

Variant Misc_Functions::CleanRegEdit() {
    delete_trees(ShowLog, {kRegEdit});
    return {};
}

Variant Misc_Functions::CleanRunDialog() {
    RelayedRegistry(ShowLog).delete_key(HKEY_CURRENT_USER, kRunMRU);
    return {};
}

int32_t Misc_Functions::CleanWindowsHelpFiles() {
    std::string windows = recorded_windows_folder();
    shred_named_folder(windows.empty() ? windows : windows + "\\Help", "SystemRoot\\Help", true);
    return 0;
}

// The Windows folder itself is walked here, so only the rule that keeps drive roots and the
// program folder out applies: nothing but *.log files is touched and every folder stays.
Variant Misc_Functions::CleanWindowsLogFiles() {
    if (may_walk(windows_folder_, "SystemRoot", file_walk_refusal))
        shred_checked_folder(ShowLog, windows_folder_, true, "log");
    return {};
}

int32_t Misc_Functions::CleanRecycleBin() {
    auto& machine = platform::current_machine();
    for (const auto& folder : platform::shell::recycle_folders(machine)) {
        if (folder.link) ignore_errors([&] { machine.files().remove_directory(folder.path); });
        else ignore_errors([&] { empty_recycle_folder(folder.path); });
    }
    // The desktop's trash is the Linux user's, not the machine's: only when the user allowed
    // changes outside the machine, and only where one of its drives reaches it.
    if (!machine.options().allow_outside_machine) return 0;
    for (const auto& trash : platform::shell::desktop_trash_folders()) {
        auto folder = machine.files().to_windows(trash);
        if (folder) ignore_errors([&] { empty_recycle_folder(*folder); });
        else report_to_log(ShowLog, kNotFoundMessage, trash.string());
    }
    return 0;
}

void Misc_Functions::empty_recycle_folder(const std::string& folder) {
    shred_checked_folder(ShowLog, folder, true, "*");
    remove_subfolders(platform::current_machine().files(), folder);
}

Variant Misc_Functions::CleanCommonDialog() {
    ignore_errors([&] { delete_trees(ShowLog, {kComDlg32}); });
    CleanCommonDialogCompleted();
    return {};
}

Variant Misc_Functions::DeleteCDBurningFolder() {
    shred_named_folder(shell_folder("CD Burning"), "CD Burning", true);
    return {};
}

Variant Misc_Functions::DeleteTemplatesFolder() {
    shred_named_folder(shell_folder("Templates"), "Templates", false);
    return {};
}

Variant Misc_Functions::DeleteDirectInputMRU() {
    delete_trees(ShowLog, {kDirectInputMRU});
    return {};
}

Variant Misc_Functions::CleanPrinterConnections() {
    delete_trees(ShowLog, {kPrinterConnections});
    return {};
}

Variant Misc_Functions::DeleteDirect3DMRU() {
    delete_trees(ShowLog, {kDirect3DMRU});
    return {};
}

Variant Misc_Functions::DeleteDirectDrawMRU() {
    delete_trees(ShowLog, {kDirectDrawMRU});
    return {};
}

Variant Misc_Functions::DeleteMsPaintMRU() {
    delete_trees(ShowLog, {kPaintMRU});
    return {};
}

Variant Misc_Functions::CleanFindHistory() {
    delete_trees(ShowLog, {kFindHistory});
    return {};
}

Variant Misc_Functions::CleanMediaPlayerHistory() {
    delete_trees(ShowLog, {kMediaPlayerFiles, kMediaPlayerUrls});
    return {};
}

// Each version of Windows counts under keys of its own ({GUID}\Count), and the value names are
// the programs' paths in ROT13: each Count key goes as one key with its values, so the log and the
// preview name the key and never a program. Whatever the values' types, they go with their key.
Variant Misc_Functions::CleanUserAssistHistory() {
    RelayedRegistry relayed(ShowLog);
    for (const auto& name : subkey_names(kUserAssist))
        delete_keys_with_their_values(relayed, std::string(kUserAssist) + "\\" + name + "\\Count");
    return {};
}

Variant Misc_Functions::CleanExplorerTypedPaths() {
    delete_trees(ShowLog, {kTypedPaths});
    return {};
}

Variant Misc_Functions::CleanExplorerSearchHistory() {
    delete_trees(ShowLog, {kWordWheelQuery});
    return {};
}

Variant Misc_Functions::CleanWordpadHistory() {
    delete_trees(ShowLog, {kWordpadMRU});
    return {};
}

Variant Misc_Functions::CleanClipboard() {
    using Outcome = platform::shell::ClipboardResult::Outcome;
    // The clipboard is the running desktop's: an offline Windows installation has none, and the
    // user's own clipboard here is not part of it.
    if (platform::current_machine().is_windows_installation()) {
        report_to_log(ShowLog, kClipboardMessage, GetMessageText(kOfflineClipboardMessage));
        return {};
    }
    auto result = platform::shell::clear_desktop_clipboard();
    if (result.outcome == Outcome::ToolMissing) report_to_log(ShowLog, kClipboardMessage, result.tool + " is not installed");
    else if (result.outcome == Outcome::Failed) report_to_log(ShowLog, kClipboardMessage, result.tool + " failed");
    return {};
}

void Misc_Functions::CleanTemp() {
    // The user's folder first: its files are the ones most likely to be the user's own traces.
    ignore_errors([&] { shred_named_folder(user_temp_folder(), "Local Settings\\temp, TEMP", true); });
    ignore_errors([&] {
        std::string windows = recorded_windows_folder();
        shred_named_folder(windows.empty() ? windows : windows + "\\temp", "SystemRoot\\temp", true);
    });
}

// The Recent folder is wherever the user's Shell Folders put it: "<profile>\Recent" on older
// systems, "<AppData>\Microsoft\Windows\Recent" on newer ones and in a Wine prefix. The
// jump-list folders stay, as the taskbar expects them.
Variant Misc_Functions::CleanJumpLists() {
    std::string recent;
    ignore_errors([&] { recent = shell_folder("Recent"); });
    for (const char* list : kJumpListFolders)
        ignore_errors([&] {
            shred_named_folder(recent.empty() ? recent : recent + "\\" + list, std::string("Recent\\") + list, true);
        });
    return {};
}

void Misc_Functions::CleanRecent() {
    std::string recent;
    ignore_errors([&] { recent = shell_folder("Recent"); });
    ignore_errors([&] { delete_trees(ShowLog, {kRecentLists[0], kRecentLists[1], kRecentLists[2]}); });
    ignore_errors([&] { shred_named_folder(recent, "Recent", true); });
}

}  // namespace engine
