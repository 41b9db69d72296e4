#pragma once
// How an entry of the startup and uninstall lists reads on the screen, and how a name the screen
// sends back finds its entry again. The screen gets upper-case text without double quotes, and a
// bar inside a name or command would split it in two, so it reads as "/" there.
#include <string>
#include <string_view>

namespace app {

std::string shown_item(std::string_view text);

// Whether the name the screen sent back stands for `name`: its shown form, or the name itself,
// without regard to case.
bool names_entry(std::string_view sent, std::string_view name);

}  // namespace app
