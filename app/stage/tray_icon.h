#pragma once
// The tray element of the page as the engine's Systray uses it: shown with the icon's tip while
// an icon is added, whether or not the main window is hidden.
#include <string>

#include "app/stage/stage.h"

namespace app {

// Tray movie variables: "tip" = the tip, then "icon" = "1" (added) or "0" (removed).
void show_engine_tray_icon(Stage& stage, bool shown, const std::string& tip);

}  // namespace app
