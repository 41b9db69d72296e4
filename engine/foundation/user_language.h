#pragma once
// The one language the program speaks at a time: its screens, message boxes, log window and the
// lines the engine writes to the log all follow it, so they never disagree.
#include <string>
#include <string_view>

namespace engine {

// The stored choice ("Lang"/"Lang" of the application "Orvane"). A machine on which nobody chose
// yet follows the user's locale: "Deutsch" when it is German, "English" otherwise.
std::string user_language();

// "Deutsch", or its old misspelling "Duetsch", in any letter case; every other name is English.
bool is_german(std::string_view language_name);

}  // namespace engine
