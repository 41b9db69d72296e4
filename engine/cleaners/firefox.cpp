#include "engine/cleaners/firefox.h"

#include <unordered_set>

#include "engine/cleaners/browser_database.h"
#include "engine/cleaners/cookies_txt.h"
#include "engine/cleaners/firefox_stores.h"
#include "engine/cleaners/kept_cookie_sites.h"
#include "engine/cleaners/trace_locations.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/engine_error.h"
#include "platform/machine/machine.h"
#include "platform/machine/wineserver.h"
#include "platform/sys/files_in_use.h"

namespace engine {

TAVRIN_ENGINE_CLASS(FireFox, "{9B27F088-49E3-4A25-90BD-26D14BA0157B}");

namespace {

constexpr const char* kSource = "Tavrin.FireFox";

bool file_exists(const std::string& path) { return platform::current_machine().files().exists(path); }

// Firefox holds parent.lock while it runs: the Windows build opens it unshared and has it deleted
// when it closes, which a Unix process sees only as the file being there while the prefix's
// wineserver runs; the Linux build locks it.
bool running_with(const FirefoxProfile& profile) {
    platform::Machine& machine = platform::current_machine();
    const std::string lock = profile.folder + "\\parent.lock";
    const auto host = machine.files().to_host(lock);
    if (!host || !machine.files().exists(lock)) return false;
    return platform::sys::locked_by_another_process(*host) || platform::wineserver_serves(machine.dir());
}

void shred_if_there(Event<std::string>& show_log, const std::string& file) {
    if (file_exists(file)) shred_file(show_log, kSource, file);
}

}  // namespace

FireFox::FireFox() {
    std::string app_data, local_app_data;
    ignore_errors([&] { app_data = application_data_folder(); });
    ignore_errors([&] { local_app_data = local_application_data_folder(); });
    if (app_data.empty()) return;
    const std::string local = local_app_data.empty() ? std::string() : local_app_data + "\\Mozilla\\Firefox";
    ignore_errors([&] { profiles_ = firefox_profiles(app_data + "\\Mozilla\\Firefox", local); });
}

void FireFox::each_profile(const std::function<void(const FirefoxProfile&)>& clean) {
    if (profiles_.empty()) {
        report_to_log(ShowLog, kNotFoundMessage, "Firefox profile");
        return;
    }
    for (const auto& profile : profiles_) {
        if (running_with(profile)) report_profile_in_use(ShowLog, profile.folder);
        else clean(profile);
    }
}

void FireFox::Delete_History() {
    each_profile([&](const FirefoxProfile& profile) {
        ignore_errors([&] { platform::current_machine().files().delete_file(profile.folder + "\\history.dat"); });
        std::unordered_set<std::string> kept_urls;
        if (clean_browser_database(ShowLog, profile.folder + "\\places.sqlite", forget_places_history(kept_urls))) {
            const std::string icons = profile.folder + "\\favicons.sqlite";
            clean_browser_database(ShowLog, icons, forget_page_icons(kept_urls, icons));
        }
        for (const char* file : {"sessionstore.jsonlz4", "sessionstore.js", "sessionstore.bak"})
            shred_if_there(ShowLog, profile.folder + "\\" + file);
        shred_checked_folder(ShowLog, profile.folder + "\\sessionstore-backups", true, "*");
    });
}

void FireFox::Delete_Cache() {
    each_profile([&](const FirefoxProfile& profile) {
        shred_folder(ShowLog, kSource, profile.folder + "\\cache", true, "*");
        for (const char* folder : {"cache2", "startupCache"})
            shred_folder(ShowLog, kSource, profile.local_folder + "\\" + folder, true, "*");
    });
}

void FireFox::Delete_Bookmarks() {
    each_profile([&](const FirefoxProfile& profile) {
        ignore_errors([&] { shred_file(ShowLog, kSource, profile.folder + "\\bookmarks.html"); });
        shred_file(ShowLog, kSource, profile.folder + "\\bookmarks.bak");
    });
}

void FireFox::Delete_Cookies() {
    CookieKeepList keep;
    ignore_errors([&] { keep = cookie_keep_list_in_force(); });
    each_profile([&](const FirefoxProfile& profile) {
        const std::string cookies = profile.folder + "\\cookies.sqlite";
        std::vector<std::string> kept;
        if (clean_browser_database(ShowLog, cookies, forget_cookies(cookies, keep, kept)))
            for (const auto& cookie : kept) note_kept_cookie(ShowLog, cookie);
        const std::string cookies_txt = profile.folder + "\\cookies.txt";
        if (file_exists(cookies_txt)) clean_cookies_txt(ShowLog, kSource, cookies_txt, keep);
    });
}

void FireFox::Delete_Form_History() {
    each_profile([&](const FirefoxProfile& profile) {
        const std::string forms = profile.folder + "\\formhistory.sqlite";
        clean_browser_database(ShowLog, forms, forget_form_entries(forms));
    });
}

}  // namespace engine
