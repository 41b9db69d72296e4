#pragma once
// Netscape: removes the traces of the Netscape and Mozilla suite browsers - history, cache,
// cookies, the mail trash and the form auto-complete history - from the profile folder it finds
// when it is created.
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

class Netscape : public EngineObject {
public:
    // Finds the profile and fixes the paths below it.
    Netscape();

    // Profile discovery again; the paths stay as they were fixed at creation.
    void GetNSProfiles();
    const std::string& GetCachePath() const { return cachePath_; }
    const std::string& GetHistoryFile() const { return historyFile_; }
    const std::string& GetBookmarksFile() const { return bookmarksFile_; }

    // Without a profile folder each of these shreds nothing and says so in the log.
    void Delete_History();
    void Delete_Cache();
    // cookies.txt, but the cookies of the sites on the cookie keep-list (cookies_txt.h).
    void Delete_Cookies();
    // The trash mailboxes: files named "Trash" without an extension in the mail folders.
    void Delete_Mail();
    void Delete_AutoComplete();

    Event<std::string> ShowLog;

private:
    // The profile folder itself, or the ".slt"/".default" folder below it that holds the files.
    void list_profiles(const std::string& base, bool version_mark);
    // False, with a log line, when no profile folder was found.
    bool profile_found();

    std::string profileDir_;
    std::string profileDir7_;
    std::string cachePath_;
    std::string historyFile_;
    std::string bookmarksFile_;
    std::string cookiesFile_;
    std::string formHistoryFile_;
};

}  // namespace engine
