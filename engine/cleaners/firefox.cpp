#include "engine/cleaners/firefox.h"

#include <algorithm>

#include "engine/cleaners/trace_locations.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/ini.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(FireFox, "{9B27F088-49E3-4A25-90BD-26D14BA0157B}");

namespace {

constexpr const char* kSource = "Tavrin.FireFox";

// The INI reader pads a missing value with NULs.
std::string profile_path(const std::string& firefox_folder) {
    std::string file = firefox_folder + "\\profiles.ini";
    std::string section = "Profile0";
    std::string key = "Path";
    std::string value = INI().GetFromINI(file, section, key);
    return value.substr(0, value.find('\0'));
}

// A relative path that stays inside the Firefox folder: no drive, no leading separator, no ".."
// step. Anything else is refused rather than followed.
bool stays_inside(std::string path) {
    if (path.empty() || path.find(':') != std::string::npos) return false;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.front() == '\\') return false;
    size_t start = 0;
    for (;;) {
        size_t end = path.find('\\', start);
        if (path.substr(start, end == std::string::npos ? std::string::npos : end - start) == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

}  // namespace

FireFox::FireFox() {
    std::string app_data;
    ignore_errors([&] { app_data = application_data_folder(); });
    if (app_data.empty()) return;
    std::string firefox_folder = app_data + "\\Mozilla\\Firefox";
    std::string path;
    ignore_errors([&] { path = profile_path(firefox_folder); });
    if (!stays_inside(path)) return;
    profileDir_ = firefox_folder + "\\" + path;
    cachePath_ = profileDir_ + "\\cache";
    historyFile_ = profileDir_ + "\\history.dat";
    bookmarksFile_ = profileDir_ + "\\bookmarks.html";
    bookmarksBackupFile_ = profileDir_ + "\\bookmarks.bak";
    cookiesFile_ = profileDir_ + "\\cookies.txt";
}

bool FireFox::profile_found() {
    if (!profileDir_.empty()) return true;
    report_to_log(ShowLog, kNotFoundMessage, "Firefox profile");
    return false;
}

void FireFox::Delete_History() {
    if (!profile_found()) return;
    ignore_errors([&] { platform::current_machine().files().delete_file(historyFile_); });
}

void FireFox::Delete_Cache() {
    if (profile_found()) shred_folder(ShowLog, kSource, cachePath_, true, "*");
}

void FireFox::Delete_Bookmarks() {
    if (!profile_found()) return;
    ignore_errors([&] { shred_file(ShowLog, kSource, bookmarksFile_); });
    shred_file(ShowLog, kSource, bookmarksBackupFile_);
}

void FireFox::Delete_Cookies() {
    if (profile_found()) shred_file(ShowLog, kSource, cookiesFile_);
}

}  // namespace engine
