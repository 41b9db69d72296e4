#pragma once
// Systray: one icon in the notification area for a window of the caller's, and its removal.
// Here the notification area is the tray element of the program's page, reached through the
// host's tray hook; without a program nothing shows.
#include <cstdint>
#include <string>

#include "engine/foundation/class_table.h"

namespace engine {

// The notification-area record, kept between AddToTray and RemoveFromTray.
struct NotifyIconData {
    uint32_t cbSize = 0;
    int32_t hWnd = 0;
    uint32_t uID = 0;
    uint32_t uFlags = 0;
    uint32_t uCallbackMessage = 0;
    std::string hIcon;  // the icon's source file, a Windows path of the engine folder
    std::string szTip;  // always 64 characters
};

class Systray : public EngineObject {
public:
    // Fills the record for window frm with the tip cut or padded (with blanks) to 64 characters,
    // and shows the icon. Mouse activity over it reaches frm as message 512 (mouse move), whose
    // parameter carries the actual mouse message. Errors are ignored.
    void AddToTray(int32_t& frm, std::string& ToolTip);
    // Takes the icon the record describes away; nothing when none was added.
    void RemoveFromTray();

    const NotifyIconData& record() const { return record_; }

private:
    NotifyIconData record_;
    bool added_ = false;
};

}  // namespace engine
