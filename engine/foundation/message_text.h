#pragma once
// Message texts in the user's language, by key ("msg15"), from the skin's message files.
#include <string>
#include <string_view>

namespace engine {

// The user's language (user_language.h): German reads skin\msgsg.ini, every other language
// skin\msgs.ini, as the program's message boxes do; section "Orvane". A missing file or key gives
// what INI.GetFromINI gives for it (255 NUL characters).
std::string GetMessageText(std::string_view key);

}  // namespace engine
