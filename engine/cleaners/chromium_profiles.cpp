#include "engine/cleaners/chromium_profiles.h"

#include "engine/cleaners/trace_locations.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/engine_error.h"
#include "platform/json/object_keys.h"
#include "platform/machine/machine.h"
#include "platform/machine/wineserver.h"
#include "platform/sys/files_in_use.h"

namespace engine {

namespace {

constexpr uint64_t kMostLocalStateBytes = 16 << 20;
constexpr std::string_view kUnreadableListMessage = "msg645";

struct Family {
    const char* name;
    const char* folder;  // below Local AppData, or below AppData for a browser whose folder is its profile
    bool folder_is_profile = false;
};

constexpr Family kFamily[] = {
    {"Chrome", "Google\\Chrome\\User Data"},
    {"Chromium", "Chromium\\User Data"},
    {"Edge", "Microsoft\\Edge\\User Data"},
    {"Vivaldi", "Vivaldi\\User Data"},
    {"Brave", "BraveSoftware\\Brave-Browser\\User Data"},
    {"Opera", "Opera Software\\Opera Stable", true},
};

platform::fs::FileSystem& files() { return platform::current_machine().files(); }

bool plain_folder_name(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
}

bool held(const std::string& file) {
    const auto host = files().to_host(file);
    if (!host || !files().exists(file)) return false;
    return platform::sys::locked_by_another_process(*host) ||
           platform::wineserver_serves(platform::current_machine().dir());
}

std::vector<ChromiumProfile> chromium_profiles(const std::string& user_data, const std::string& local_user_data,
                                               Event<std::string>& show_log) {
    std::vector<std::string> names{"Default"};
    const std::string local_state = user_data + "\\Local State";
    if (files().exists(local_state)) {
        std::string text;
        ignore_errors([&] { text = files().read_text(local_state, kMostLocalStateBytes); });
        if (auto listed = platform::json::object_keys(text, {"profile", "info_cache"})) {
            if (!listed->empty()) names = std::move(*listed);
        } else {
            report_to_log(show_log, kUnreadableListMessage, local_state);
        }
    }
    std::vector<ChromiumProfile> profiles;
    for (const auto& name : names) {
        if (!plain_folder_name(name) || !files().is_directory(user_data + "\\" + name)) continue;
        profiles.push_back({user_data + "\\" + name, local_user_data + "\\" + name});
    }
    return profiles;
}

// Each member of the family whose folder exists, with that folder and its Local AppData twin.
template <class Visit>
void each_present(const Visit& visit) {
    std::string roaming, local;
    ignore_errors([&] { roaming = application_data_folder(); });
    ignore_errors([&] { local = local_application_data_folder(); });
    if (local.empty()) return;
    for (const Family& member : kFamily) {
        const std::string& base = member.folder_is_profile ? roaming : local;
        const std::string user_data = base + "\\" + member.folder;
        if (!base.empty() && files().is_directory(user_data)) visit(member, user_data, local + "\\" + member.folder);
    }
}

}  // namespace

std::vector<ChromiumBrowser> chromium_browsers(Event<std::string>& show_log) {
    std::vector<ChromiumBrowser> browsers;
    each_present([&](const Family& member, const std::string& user_data, const std::string& local_twin) {
        ChromiumBrowser browser{member.name, user_data, {}};
        if (member.folder_is_profile) browser.profiles.push_back({user_data, local_twin});
        else browser.profiles = chromium_profiles(user_data, local_twin, show_log);
        browsers.push_back(std::move(browser));
    });
    return browsers;
}

bool chromium_browser_present() {
    bool found = false;
    each_present([&](const Family&, const std::string&, const std::string&) { found = true; });
    return found;
}

bool chromium_running(const ChromiumBrowser& browser) {
    const auto link = files().to_host(browser.user_data + "\\SingletonLock");
    if (link && platform::sys::link_names_live_process(*link)) return true;
    return held(browser.user_data + "\\lockfile");
}

}  // namespace engine
