#pragma once
// The one place that names every feature of the main window. Each feature has one registration
// function in its own file that adds its command rows (shell.commands().add("IDC_FS_...", ...))
// and its start-up steps (shell.add_load_step(...)); add yours to register_features.
namespace app {
class Shell;

void register_features(Shell& shell);

// The shell's own rows.
void register_window_rows(Shell& shell);   // window and general commands, the exit sequence
void register_options_rows(Shell& shell);  // option state, the Windows tweaks
void register_about_rows(Shell& shell);    // the web site and update buttons of the options screen
void register_memory_rows(Shell& shell);   // the memory gauge and the memory slider

}  // namespace app
