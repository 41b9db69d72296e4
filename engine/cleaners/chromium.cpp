#include "engine/cleaners/chromium.h"

#include "engine/cleaners/browser_database.h"
#include "engine/cleaners/chromium_stores.h"
#include "engine/cleaners/kept_cookie_sites.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/engine_error.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Chromium, "{5E0C7B8A-3D1F-4C62-9A47-2B8E6F1D0C35}");

namespace {

constexpr const char* kSource = "Tavrin.Chromium";

}  // namespace

void Chromium::each_profile(const std::function<void(const ChromiumProfile&)>& clean) {
    if (!browsers_) browsers_ = chromium_browsers(ShowLog);
    if (browsers_->empty()) {
        report_to_log(ShowLog, kNotFoundMessage, "Chromium-family browser");
        return;
    }
    for (const auto& browser : *browsers_) {
        if (chromium_running(browser)) {
            report_profile_in_use(ShowLog, browser.user_data);
            continue;
        }
        for (const auto& profile : browser.profiles) clean(profile);
    }
}

void Chromium::Delete_History() {
    each_profile([&](const ChromiumProfile& profile) {
        clean_browser_database(ShowLog, profile.folder + "\\History", forget_chromium_history());
    });
}

void Chromium::Delete_Downloads() {
    each_profile([&](const ChromiumProfile& profile) {
        const std::string history = profile.folder + "\\History";
        clean_browser_database(ShowLog, history, forget_chromium_downloads(history));
    });
}

void Chromium::Delete_Cookies() {
    CookieKeepList keep;
    ignore_errors([&] { keep = cookie_keep_list_in_force(); });
    each_profile([&](const ChromiumProfile& profile) {
        for (const char* name : {"Cookies", "Network\\Cookies"}) {
            const std::string cookies = profile.folder + "\\" + name;
            std::vector<std::string> kept;
            if (clean_browser_database(ShowLog, cookies, forget_chromium_cookies(cookies, keep, kept)))
                for (const auto& cookie : kept) note_kept_cookie(ShowLog, cookie);
        }
    });
}

void Chromium::Delete_Cache() {
    each_profile([&](const ChromiumProfile& profile) {
        for (const char* folder : {"Cache", "Code Cache", "GPUCache"})
            shred_folder(ShowLog, kSource, profile.cache_folder + "\\" + folder, true, "*");
    });
}

}  // namespace engine
