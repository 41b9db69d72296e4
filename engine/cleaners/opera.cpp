#include "engine/cleaners/opera.h"

#include "engine/cleaners/kept_cookie_sites.h"
#include "engine/cleaners/opera_cookie_file.h"
#include "engine/cleaners/trace_locations.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/engine_error.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Opera, "{D8FD8F82-2867-46C9-90ED-2358F43C09E6}");

namespace {

constexpr const char* kSource = "Tavrin.Opera";
// A cookie file is small; anything larger is no cookie file to look into.
constexpr uint64_t kLargestCookieFile = 64u << 20;

// Whether the cookie file may hold a cookie of a site the user keeps. A file that is not in
// Opera's format holds no cookie Opera could send, and one that cannot be read is not removed
// either way.
bool holds_kept_cookies(const std::string& file, const CookieKeepList& keep) {
    if (keep.empty()) return false;
    std::string bytes;
    try {
        bytes = platform::current_machine().files().read_text(file, kLargestCookieFile);
    } catch (const std::exception&) {
        return false;
    }
    const auto labels = opera_cookie_domain_labels(bytes);
    return labels && may_hold_kept_site(*labels, keep);
}

}  // namespace

// A location that cannot be read leaves the paths relative ("\profile\..."), and the shredding
// helpers refuse those: nothing is touched.
Opera::Opera() {
    ignore_errors([&] {
        profileDir_ = machine_is_windows_xp() ? application_data_folder() + "\\Opera\\Opera\\profile"
                                              : windows_drive() + "\\Program Files\\Opera\\profile";
    });
    cachePath_ = profileDir_ + "\\cache4";
    cookiesFile_ = profileDir_ + "\\cookies4.dat";
    historyFile_ = profileDir_ + "\\global.dat";
}

void Opera::CleanCache() { shred_folder(ShowLog, kSource, cachePath_, true, "*"); }

// The file is kept or removed whole: it keeps all its cookies when it may hold one of a kept site.
void Opera::CleanCookies() {
    CookieKeepList keep;
    ignore_errors([&] { keep = cookie_keep_list_in_force(); });
    if (holds_kept_cookies(cookiesFile_, keep)) note_kept_cookie_file(ShowLog, cookiesFile_);
    else shred_file(ShowLog, kSource, cookiesFile_);
}

void Opera::CleanHistory() { shred_file(ShowLog, kSource, historyFile_); }

}  // namespace engine
