#pragma once
// FireFox: removes the Firefox traces of the current user - history, cache, cookies, form entries
// and bookmarks - from every profile that the browser's profiles.ini lists (firefox_profiles.h).
// Firefox 3 and later keep history, cookies and form entries in SQLite databases, changed through
// the guarded change (browser_database.h); the files of Firefox 1 and 2 go as they always did.
// A profile Firefox is running with is left alone, with a line in the log.
#include <functional>
#include <string>
#include <vector>

#include "engine/cleaners/firefox_profiles.h"
#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

class FireFox : public EngineObject {
public:
    // Finds the profiles below "<AppData>\Mozilla\Firefox" and their caches below
    // "<Local AppData>\Mozilla\Firefox".
    FireFox();

    // places.sqlite's visits and the places only history refers to (bookmarks stay), the icons of
    // favicons.sqlite that only those used, the session store, and history.dat of Firefox 1 and 2
    // (deleted without overwriting it).
    void Delete_History();
    // cache2 and startupCache of the Local AppData twin, and the cache folder of Firefox 1 and 2.
    void Delete_Cache();
    // bookmarks.html, then bookmarks.bak, each on its own.
    void Delete_Bookmarks();
    // cookies.sqlite's cookies and cookies.txt.
    void Delete_Cookies();
    // formhistory.sqlite's entries.
    void Delete_Form_History();

    Event<std::string> ShowLog;

private:
    // Runs `clean` on each profile Firefox is not running with; false, with a log line, when no
    // usable profile was found: without profiles.ini or with only refused paths.
    void each_profile(const std::function<void(const FirefoxProfile&)>& clean);

    std::vector<FirefoxProfile> profiles_;
};

}  // namespace engine
