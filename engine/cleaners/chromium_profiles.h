#pragma once
// The Chromium-family browsers of the current user and their profiles: Chrome, Chromium, Edge,
// Vivaldi and Brave keep theirs in "<Local AppData>\<maker>\User Data", Opera (15 and later) in
// "<AppData>\Opera Software\Opera Stable", a profile itself, with its caches under Local AppData.
#include <string>
#include <vector>

#include "engine/foundation/event.h"

namespace engine {

struct ChromiumProfile {
    std::string folder;        // History, Cookies, Network\Cookies
    std::string cache_folder;  // Cache, Code Cache, GPUCache
};

struct ChromiumBrowser {
    std::string name;       // "Chrome"
    std::string user_data;  // the folder holding "Local State" and the lock of a running browser
    std::vector<ChromiumProfile> profiles;
};

// The browsers whose user data folder exists, each with the profiles named in its "Local State"
// (profile.info_cache) whose folders exist, or "Default" alone when the file is missing; when it is
// no JSON, "Default" alone with a line in `show_log`. A name that is not a plain folder name is
// never followed.
std::vector<ChromiumBrowser> chromium_browsers(Event<std::string>& show_log);
// Whether any of them is there.
bool chromium_browser_present();

// Whether the browser runs now: its SingletonLock names a live process of this host, or its
// lockfile is held (or there while the prefix's wineserver runs, as a Windows build holds it).
bool chromium_running(const ChromiumBrowser& browser);

}  // namespace engine
