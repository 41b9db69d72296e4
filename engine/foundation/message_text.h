#pragma once
// Message texts in the user's language, by key ("msg15"), from the skin's message files.
#include <string>
#include <string_view>

namespace engine {

// Language setting "Lang"/"Lang" of the app "Orvane" (default "Deutsch"): "English" in any case
// reads skin\msgs.ini, every other language skin\msgsg.ini, section "Orvane". A missing file or
// key gives what INI.GetFromINI gives for it (255 NUL characters).
std::string GetMessageText(std::string_view key);

}  // namespace engine
