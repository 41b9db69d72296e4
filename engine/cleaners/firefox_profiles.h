#pragma once
// The Firefox profiles of the current user, found as Firefox finds them in its profiles.ini.
#include <string>
#include <vector>

namespace engine {

struct FirefoxProfile {
    std::string folder;        // history, cookies, form entries, session, bookmarks
    std::string local_folder;  // its twin under Local AppData, with the caches
};

// The profiles of "<firefox_folder>\profiles.ini" whose folders exist, each once, in the order
// Firefox picks them: the Default= of every [Install...] section (one per installation) that
// names a listed profile, then a profile marked Default=1, then every [Profile...] in the file's
// order. A relative Path (IsRelative other than 0) lies below firefox_folder and its caches below
// local_firefox_folder; an absolute one keeps both in one folder. A path with a ".." step, a
// relative one that leaves its folder, and an absolute one outside the machine's drives are
// refused. A byte-order mark and CR LF line ends are read as Firefox reads them.
std::vector<FirefoxProfile> firefox_profiles(const std::string& firefox_folder,
                                             const std::string& local_firefox_folder);

}  // namespace engine
