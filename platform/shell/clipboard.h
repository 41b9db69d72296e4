#pragma once
// The desktop clipboard. Programs under Wine share the desktop's clipboard, so clearing it is
// clearing theirs. It is cleared through the desktop's own command-line tools: wl-copy (from
// wl-clipboard) under Wayland, xsel under X11.
#include <string>

namespace platform::shell {

struct ClipboardResult {
    enum class Outcome { Cleared, NoDesktop, ToolMissing, Failed };
    Outcome outcome = Outcome::NoDesktop;
    std::string tool;  // the program that was (or would have been) used
};

// Without a display (DISPLAY or WAYLAND_DISPLAY) there is no clipboard and nothing happens.
ClipboardResult clear_desktop_clipboard();

}  // namespace platform::shell
