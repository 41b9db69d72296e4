#pragma once
// The user's desktop: whether there is one, and handing it an address to open in the browser.
#include <string>

namespace platform::shell {

// True when a graphical session is reachable (DISPLAY or WAYLAND_DISPLAY is set).
bool has_desktop();

// Opens the URL with the desktop's default handler (xdg-open) without waiting for it; the
// handler's own output is discarded. False when it could not be started.
bool open_with_desktop(const std::string& url);

}  // namespace platform::shell
