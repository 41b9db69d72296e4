#pragma once
// The one place that names every feature of the main window. Each feature has one registration
// function, declared in its own header, that adds its command rows (shell.commands().add("IDC_FS_...",
// ...)) and its start-up steps (shell.add_load_step(...)); add yours to register_features.
namespace app {
class Shell;

void register_features(Shell& shell);

}  // namespace app
