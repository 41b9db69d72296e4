#include "engine/foundation/hooks.h"

namespace engine {

HostHooks& host_hooks() {
    static HostHooks hooks;
    return hooks;
}

BusyPointer::BusyPointer() {
    if (host_hooks().set_busy_pointer) host_hooks().set_busy_pointer(true);
}

BusyPointer::~BusyPointer() {
    if (host_hooks().set_busy_pointer) host_hooks().set_busy_pointer(false);
}

void process_pending_messages() {
    if (host_hooks().process_pending) host_hooks().process_pending();
}

void show_engine_message(const std::string& text, const std::string& title) {
    if (host_hooks().show_message) host_hooks().show_message(text, title);
}

}  // namespace engine
