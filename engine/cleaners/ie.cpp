#include "engine/cleaners/ie.h"

#include <vector>

#include "engine/cleaners/cleanable_folder.h"
#include "engine/cleaners/folder_copy.h"
#include "engine/cleaners/shredded_copies.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/cleaners/url_history.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/engine_folder.h"
#include "engine/tools/system.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(IE, "{8A4C2D71-5E3B-4F90-B6A2-7C1D9E0F3B25}");

namespace {

constexpr const char* kSource = "Tavrin.IE";
constexpr int32_t kPathNotFound = 76;

constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kInternetExplorer = "Software\\Microsoft\\Internet Explorer";
constexpr const char* kMain = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr const char* kTypedUrls = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
// When each typed URL was typed, under the same value names (Windows 8 and later).
constexpr const char* kTypedUrlsTime = "Software\\Microsoft\\Internet Explorer\\TypedURLsTime";
constexpr const char* kSavedPasswords = "Software\\Microsoft\\Internet Explorer\\Intelliforms\\SPW";
constexpr const char* kAutoComplete = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoComplete";
constexpr const char* kTypedUrlsBackup = "Software\\lumarq2\\TypedUrls";
constexpr const char* kPasswordsBackup = "Software\\lumarq2\\passwords";
constexpr const char* kBackupsFolder = "Backups";
constexpr const char* kFavoritesBackup = "Backups\\IEfav";
// Log text for an original kept because its backup could not be made.
constexpr const char* kBackupFailedMessage = "msg60";

void position(cRegistry& reg, ERegistryClassConstants root, const std::string& key, const std::string& name = {}) {
    reg.ClassKey(root);
    reg.SectionKey(key);
    reg.ValueKey(name);
}

std::string read_text(cRegistry& reg, ERegistryClassConstants root, const std::string& key, const std::string& name) {
    position(reg, root, key, name);
    return reg.Value().to_text();
}

void write_text(ERegistryClassConstants root, const std::string& key, const std::string& name,
                ERegistryValueTypes type, const std::string& text) {
    cRegistry reg;
    position(reg, root, key, name);
    reg.ValueType(type);
    reg.Value(text);
}

std::vector<std::string> value_names(cRegistry& reg) {
    std::vector<std::string> names;
    int32_t count = 0;
    reg.EnumerateValues(names, count);
    return names;
}

std::string root_name(ERegistryClassConstants root) { return platform::registry::root_name(root); }

bool same_value(const Variant& a, const Variant& b) {
    return static_cast<const Variant::Base&>(a) == static_cast<const Variant::Base&>(b);
}

}  // namespace

IE::IE() = default;
IE::~IE() = default;

platform::inet::UrlCache& IE::cache() {
    if (!cache_)
        cache_ = std::make_unique<platform::inet::UrlCache>(platform::inet::user_url_cache(platform::current_machine()));
    return *cache_;
}

std::string IE::get_cache_list() {
    cache_.reset();
    std::string list;
    cache().for_each_url([&](const std::string& url) {
        if (!list.empty()) list += "||";
        list += url;
    });
    return list;
}

void IE::delete_cache_entry(const std::string& entry) {
    ShreddedCopies copies(ShowLog);
    cache().remove_all({&entry, 1}, copies);
    if (!copies.failures().empty()) throw EngineError(static_cast<int32_t>(platform::fs::error::AccessDenied), kSource, copies.failures().front());
}

void IE::delete_cache_entries(const std::vector<std::string>& entries) {
    ShreddedCopies copies(ShowLog);
    cache().remove_all(entries, copies);
}

IE_type IE::fill_IE_type() {
    cRegistry reg;
    IE_type folders;
    folders.CacheDir = read_text(reg, HKEY_CURRENT_USER, kShellFolders, "Cache");
    folders.HistoryDir = read_text(reg, HKEY_CURRENT_USER, kShellFolders, "History");
    folders.CookiesDir = read_text(reg, HKEY_CURRENT_USER, kShellFolders, "Cookies");
    folders.DownloadDir = read_text(reg, HKEY_CURRENT_USER, kInternetExplorer, "Download Directory");
    return folders;
}

void IE::SetHomePage(const std::string& homepage) {
    write_text(HKEY_CURRENT_USER, kMain, "Start Page", REG_EXPAND_SZ, homepage);
}

std::string IE::GetHomePage() {
    cRegistry reg;
    return read_text(reg, HKEY_CURRENT_USER, kMain, "Start Page");
}

void IE::CleanTypedUrls() {
    cRegistry reg;
    EventRelay relay(reg.ShowLog, ShowLog);
    for (const char* key : {kTypedUrls, kTypedUrlsTime}) {
        position(reg, HKEY_CURRENT_USER, key);
        for (const auto& name : value_names(reg)) {
            reg.ValueKey(name);
            reg.DeleteValue();
        }
    }
    HideUrlsDone();
}

void IE::HideTypedUrls() {
    copy_values({HKEY_CURRENT_USER, kTypedUrls}, {HKEY_CURRENT_USER, kTypedUrlsBackup}, /*move=*/true);
    HideUrlsDone();
}

void IE::HidePasswords() {
    ignore_errors([&] {
        copy_values({HKEY_LOCAL_MACHINE, kSavedPasswords}, {HKEY_CURRENT_USER, kPasswordsBackup}, /*move=*/true);
    });
    HideUrlsDone();
}

void IE::ShowTypedUrls() {
    ignore_errors([&] {
        copy_values({HKEY_CURRENT_USER, kTypedUrlsBackup}, {HKEY_CURRENT_USER, kTypedUrls}, /*move=*/false);
    });
    HideUrlsDone();
}

void IE::Showpasswords() {
    ignore_errors([&] {
        copy_values({HKEY_CURRENT_USER, kPasswordsBackup}, {HKEY_LOCAL_MACHINE, kSavedPasswords}, /*move=*/false);
    });
    HideUrlsDone();
}

void IE::copy_values(Location from, Location to, bool move) {
    cRegistry source;
    cRegistry target;
    EventRelay relay(source.ShowLog, ShowLog);
    position(source, from.root, from.key);
    position(target, to.root, to.key);
    for (const auto& name : value_names(source)) {
        if (!back_up_value(source, target, name)) {
            if (move) report_backup_failure(root_name(from.root) + "\\" + from.key + "\\" + name);
            continue;
        }
        if (move) {
            source.ValueKey(name);
            source.DeleteValue();
        }
    }
}

// The copy keeps the value's type, so hidden binary form data comes back as it was, and it is
// read back before anyone relies on it.
bool IE::back_up_value(cRegistry& from, cRegistry& to, const std::string& name) {
    from.ValueKey(name);
    Variant data = from.Value();
    ERegistryValueTypes type = from.ValueType();
    if (data.is_empty()) return false;
    to.ValueKey(name);
    to.ValueType(type == REG_EXPAND_SZ ? REG_SZ : type);
    if (!ignore_errors([&] { to.Value(data); })) return false;
    Variant stored = to.Value();
    return same_value(stored, data);
}

void IE::report_backup_failure(const std::string& what) { report_to_log(ShowLog, kBackupFailedMessage, what); }

void IE::HideFavorites() {
    auto& files = platform::current_machine().files();
    ignore_errors([&] {
        if (!files.is_directory(engine_path(kBackupsFolder))) files.create_directory(engine_path(kBackupsFolder));
    });
    std::string favorites;
    ignore_errors([&] { favorites = System().getFavoritesDirectory(); });
    if (!may_clean_folder(favorites) || !files.is_directory(favorites)) return;  // nothing we may hide
    bool complete = false;
    ignore_errors([&] { complete = copy_folder(files, favorites, engine_path(kFavoritesBackup)); });
    if (!complete) {
        report_backup_failure(favorites);
        return;
    }
    ignore_errors([&] { shred_folder(favorites, false, "*"); });
}

void IE::ShowFavorites() {
    auto& files = platform::current_machine().files();
    std::string backup = engine_path(kFavoritesBackup);
    try {
        if (!files.is_directory(backup)) throw EngineError(kPathNotFound, kSource, "Path not found");
        std::string favorites = System().getFavoritesDirectory();
        // Nowhere to put them back: keep the backup for a later try.
        if (!may_clean_folder(favorites)) return;
        if (!copy_folder(files, backup, favorites)) return;
        shred_folder(backup, false, "*");
    } catch (const EngineError& error) {
        if (error.number() == kPathNotFound) Error("No previous backup found");
    } catch (...) {
    }
}

void IE::DisableAutoComplete() { write_text(HKEY_CURRENT_USER, kAutoComplete, "Append Completion", REG_SZ, "no"); }

void IE::EnableAutoComplete() { write_text(HKEY_CURRENT_USER, kAutoComplete, "Append Completion", REG_SZ, "yes"); }

void IE::CleanHistory() { CURLHistory().Clear(); }

void IE::CleanDownloadDirectory() {
    cRegistry reg;
    shred_folder(read_text(reg, HKEY_CURRENT_USER, kInternetExplorer, "Download Directory"), true, "*");
}

void IE::shred_folder(const std::string& folder, bool delete_contents_only, const std::string& extension) {
    engine::shred_folder(ShowLog, kSource, folder, delete_contents_only, extension);
}

}  // namespace engine
