#pragma once
// The window and general commands of the main movie: language, help, minimize, close (the exit
// sequence), and the start-up splash and tray captions.
namespace app {

class Shell;

void register_window_rows(Shell& shell);

}  // namespace app
