#pragma once
// The cleaning catalogue as the skin reads it: for each category the movie variable
// _root.CleaningScreen_<screen>, set at start-up to a bar list of the screen's Clean command, its
// enable variable ("" for a category that is always there) and its tick boxes in the order of the
// option list ("IDC_FS_MO||_root.MO_AM|_root.MO_WM|..."). The skin draws the look-alike cleaning
// screens from it, so their boxes are always the ones the runs read.
namespace app {

class Shell;

void set_catalogue_variables(Shell& shell);

}  // namespace app
