#pragma once
// FireFox: removes the Firefox traces of the current user - history, cache, cookies and
// bookmarks - from the first profile that the browser's profiles.ini lists.
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

class FireFox : public EngineObject {
public:
    // Reads "Path" of [Profile0] in "<AppData>\Mozilla\Firefox\profiles.ini" and fixes the paths
    // below "<Firefox folder>\<Path>" (a "/" in it is kept; Windows takes it as a separator).
    FireFox();

    // Deletes history.dat without overwriting it; every error, a missing file too, is ignored.
    void Delete_History();
    void Delete_Cache();
    // bookmarks.html, then bookmarks.bak, each on its own.
    void Delete_Bookmarks();
    void Delete_Cookies();

    Event<std::string> ShowLog;

private:
    // False, with a log line, when no usable profile was found: without profiles.ini or
    // [Profile0] the paths would name files directly in the Firefox folder, and a path that
    // climbs out of that folder ("..") or is absolute would name another program's files.
    bool profile_found();

    std::string profileDir_;
    std::string cachePath_;
    std::string historyFile_;
    std::string bookmarksFile_;
    std::string bookmarksBackupFile_;
    std::string cookiesFile_;
};

}  // namespace engine
