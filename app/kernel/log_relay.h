#pragma once
// Shows every ShowLog (or AddToLog) text of an engine object in the log window while the relay
// lives: how a run's deletions appear line by line as they happen.
#include <string>

#include "app/windows/log_window.h"
#include "engine/foundation/event.h"

namespace app {

using LogRelay = engine::EventRelay<std::string>;

// The handler of a LogRelay: LogRelay relay(cleaner.ShowLog, into_log_window(shell.log_window())).
inline engine::Event<std::string>::Handler into_log_window(LogWindow& window) {
    return [&window](std::string& text) { window.addLogLine(text); };
}

}  // namespace app
