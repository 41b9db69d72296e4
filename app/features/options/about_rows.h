#pragma once
// The web site and update buttons of the options screen. The web site address is a setting of the
// build (TAVRIN_WEBSITE); the updater is a Windows program of the program folder, so it runs only
// where Windows programs can, and a copy installed from packages is updated with them.
namespace app {

class Shell;

void register_about_rows(Shell& shell);

}  // namespace app
