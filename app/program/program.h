#pragma once
// The running program: the shell with every feature plugged in, the movies wired to their
// handlers, the profile chooser first and then the main window.
#include "app/kernel/shell.h"
#include "app/program/profiles_window.h"

namespace app {

class Program {
public:
    Program(Stage& stage, ProgramInfo info);

    Shell& shell() { return shell_; }

    // Wires the movies and shows the profile chooser (or the main window when there is no profile).
    void start();

private:
    void open_main_window();
    void handle_tray(const std::string& command);

    Shell shell_;
    ProfilesWindow profiles_;
    bool main_window_open_ = false;
};

}  // namespace app
