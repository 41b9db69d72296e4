#include "app/kernel/host_wiring.h"

#include <string>

#include "app/kernel/shell.h"
#include "app/stage/tray_icon.h"

namespace app {

namespace {

engine::HostHooks hooks_of(Shell& shell) {
    Stage& stage = shell.stage();
    engine::HostHooks hooks;
    hooks.set_busy_pointer = [&stage](bool busy) { stage.set_busy(busy); };
    // Long engine operations let the screens breathe (timers, page requests) as they go.
    hooks.process_pending = [&stage] { stage.process_pending(); };
    hooks.browse_folder = [&stage](const std::string& title) { return stage.ask_folder(title); };
    hooks.open_address = [&stage](const std::string& address) { stage.open_url(address); };
    hooks.show_tray_icon = [&stage](bool shown, const std::string& tip) { show_engine_tray_icon(stage, shown, tip); };
    // The engine's own notices (an unreadable shortcut, ...) have no question title the message
    // box could answer to, so they go where a run's lines go.
    hooks.show_message = [&shell](const std::string& text, const std::string& title) {
        shell.log_window().show();
        shell.log_window().addLogLine(title + ": " + text);
    };
    return hooks;
}

}  // namespace

HostWiring::HostWiring(Shell& shell) : hooks_(hooks_of(shell)) {}

}  // namespace app
