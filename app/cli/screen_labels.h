#pragma once
// The labels of the cleaning items as their screens show them, beside each tick box, in the
// language the screens speak on the machine: read from the skin beside the program (the pages of
// the screens written out, and the words of the screens the skin draws from the cleaning
// catalogue), so that the command line and the screens never name an item differently.
#include <map>
#include <string>

namespace app::cli {

// Tick box ("_root.IE_CO") -> label ("Cookies"), for every tick box the skin labels. Needs the
// current machine (for the language).
std::map<std::string, std::string> screen_labels();

// The same from the text of a page: <input type="checkbox" data-var="_root.X"> followed by
// <span data-de="German">English</span>.
std::map<std::string, std::string> labels_of_page(const std::string& page, bool german);
// The same from the words of the drawn screens: '_root.X': { label: ['English', 'German'] ...
std::map<std::string, std::string> labels_of_script(const std::string& script, bool german);

}  // namespace app::cli
