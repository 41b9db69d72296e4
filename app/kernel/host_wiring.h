#pragma once
// The engine's hooks wired to the program for the lifetime of one object: the hourglass, the
// timers that tick during long work, the folder dialog, the browser, the tray icon and the engine's
// own notices all reach the screens through the stage and the log window. The program and the
// program tests make the same object, so the tests run through the wiring the user gets.
#include "engine/foundation/hooks.h"

namespace app {

class Shell;

class HostWiring {
public:
    explicit HostWiring(Shell& shell);

private:
    engine::HostHooksInPlace hooks_;
};

}  // namespace app
