#pragma once
// Office: removes the most-recently-used lists of Access, Outlook, Photo Editor, Excel,
// PowerPoint and Word of Office 11.0, 10.0, 9.0 and 8.0 (in that order) from the current user's
// registry. A version that is not installed is passed over. Word, Excel, PowerPoint and Access
// then lose their "File MRU" and "Place MRU" lists of Office 16.0, 15.0, 14.0 and 12.0, the
// signed-in accounts' lists under "User MRU" too.
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"

namespace engine {

class Office : public EngineObject {
public:
    // Every value of "Access\Settings" whose name holds "MRU" in any letter case.
    void CleanOfficeAccessMRU();
    // The value "Settings" of "<application>\Data".
    void CleanOfficeOutlookMRU();
    void CleanOfficePhotoEditorMRU();
    // The key "Excel\recent files".
    void CleanOfficeExcelMRU();
    // Also, for 11.0, the key "PowerPoint\Recent File List" with everything below it.
    void CleanOfficePowerPointMRU();
    void CleanOfficeWordMRU();

    Event<std::string> ShowLog;

private:
    void delete_data_settings(const char* application);
    void delete_recent_lists(const char* application);
};

}  // namespace engine
