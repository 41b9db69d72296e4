#include "engine/cleaners/netscape.h"

#include "engine/cleaners/cookies_txt.h"
#include "engine/cleaners/kept_cookie_sites.h"
#include "engine/cleaners/trace_locations.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/engine_error.h"
#include "platform/fs/fs.h"
#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::to_lower;

TAVRIN_ENGINE_CLASS(Netscape, "{E34A647B-2BD1-4F16-A7E0-168A181ED40B}");

namespace {

constexpr const char* kSource = "Tavrin.Netscape";

// The suite keeps a profile's files one level down, in a folder named "<random>.slt" (or
// ".default"). The one that holds Cookies.txt is the one the browser uses; a second one is what an
// interrupted profile migration leaves behind. Once the cookies are shredded no folder holds
// them, so the first such folder in listing order is taken then: the next clean must still find
// the history and the cache. A profile folder without one is used as it is.
std::string files_folder_of(const std::string& profile) {
    auto& files = platform::current_machine().files();
    std::string first_salted;
    for (const auto& name : folder_names(profile)) {
        std::string lower = to_lower(name);
        if (!lower.ends_with(".slt") && !lower.ends_with(".default")) continue;
        std::string candidate = profile + "\\" + name;
        bool has_cookies = false;
        ignore_errors([&] { has_cookies = files.exists(candidate + "\\Cookies.txt"); });
        if (has_cookies) return candidate;
        if (first_salted.empty()) first_salted = candidate;
    }
    return first_salted.empty() ? profile : first_salted;
}

}  // namespace

Netscape::Netscape() {
    GetNSProfiles();
    if (!profileDir7_.empty()) profileDir_ = profileDir7_;
    if (profileDir_.empty()) return;  // the paths stay empty: nothing can be shredded
    auto derive = [this](const char* name) { return collapse_double_backslashes(profileDir_ + "\\" + name); };
    cachePath_ = derive("cache");
    historyFile_ = derive("history.dat");
    bookmarksFile_ = derive("bookmarks.html");
    cookiesFile_ = derive("cookies.txt");
    formHistoryFile_ = derive("formhistory.dat");
}

void Netscape::GetNSProfiles() {
    std::string app_data;
    ignore_errors([&] { app_data = application_data_folder(); });
    if (app_data.empty()) return;  // no base folder: no profile
    bool xp = false;
    ignore_errors([&] { xp = machine_is_windows_xp(); });
    if (xp) {
        list_profiles(app_data + "\\Mozilla\\Profiles", false);
        return;
    }
    list_profiles(app_data + "\\netscape\\nsb\\Profiles", false);
    if (profileDir_.empty()) list_profiles(app_data + "\\Mozilla\\Profiles\\default", true);
}

// The last folder listed is the profile, as the browser's own profile manager lists them.
void Netscape::list_profiles(const std::string& base, bool version_mark) {
    for (const auto& name : folder_names(base)) {
        profileDir_ = files_folder_of(collapse_double_backslashes(base + "\\" + name));
        if (version_mark) profileDir7_ = profileDir_;
    }
}

bool Netscape::profile_found() {
    if (!profileDir_.empty()) return true;
    report_to_log(ShowLog, kNotFoundMessage, "Netscape / Mozilla profile");
    return false;
}

void Netscape::Delete_History() {
    if (profile_found()) shred_file(ShowLog, kSource, historyFile_);
}

void Netscape::Delete_Cache() {
    if (profile_found()) shred_folder(ShowLog, kSource, cachePath_, true, "*");
}

void Netscape::Delete_Cookies() {
    if (!profile_found()) return;
    CookieKeepList keep;
    ignore_errors([&] { keep = cookie_keep_list_in_force(); });
    clean_cookies_txt(ShowLog, kSource, cookiesFile_, keep);
}

void Netscape::Delete_Mail() {
    if (profile_found())
        shred_folder(ShowLog, kSource, collapse_double_backslashes(profileDir_ + "\\mail"), true, "Trash");
}

void Netscape::Delete_AutoComplete() {
    if (profile_found()) shred_file(ShowLog, kSource, formHistoryFile_);
}

}  // namespace engine
