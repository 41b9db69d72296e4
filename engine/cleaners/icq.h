#pragma once
// ICQ: removes the ICQ traces of the current user - bookmarks, the built-in browser's cache,
// received files and chat histories.
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

class ICQ : public EngineObject {
public:
    // Each empties one folder of the ICQ installation, which stays: "Bookmark", "Chats",
    // "AteBrowser". The installation is HKCU "SOFTWARE\Mirabilis\ICQ\Install\General"
    // "InstalledDir", else the first folder of the Windows drive's "program files" whose name
    // holds "icq"; with neither, nothing is shredded and the log says so.
    int32_t CleanICQBookmarks();
    int32_t CleanICQChats();
    int32_t CleanICQBrowserCache();
    // Shreds the .xml descriptions of received files in "<AppData>\ICQ\ReceivedFiles" and its
    // subfolders. Only that folder of ICQ's own: the application-data folder as a whole holds
    // every other program's .xml files too.
    int32_t CleanICQReceivedFiles();

    Event<std::string> ShowLog;

private:
    void empty_install_subfolder(const char* name);
};

}  // namespace engine
