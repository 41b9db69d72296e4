#pragma once
// The option state of the current profile and the Windows tweaks of the options screen.
namespace app {

class Shell;

// The tweaks' command rows, and the start-up steps that put back the profile's ticks and toggles.
void register_options_rows(Shell& shell);

}  // namespace app
