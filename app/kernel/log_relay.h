#pragma once
// Shows every ShowLog (or AddToLog) text of an engine object in the log window while it lives:
// how a run's deletions appear line by line as they happen.
#include <string>

#include "app/windows/log_window.h"
#include "engine/foundation/event.h"

namespace app {

class LogRelay {
public:
    LogRelay(LogWindow& window, engine::Event<std::string>& source)
        : source_(source), id_(source.subscribe([&window](std::string& text) { window.addLogLine(text); })) {}
    ~LogRelay() { source_.unsubscribe(id_); }
    LogRelay(const LogRelay&) = delete;
    LogRelay& operator=(const LogRelay&) = delete;

private:
    engine::Event<std::string>& source_;
    int id_;
};

}  // namespace app
