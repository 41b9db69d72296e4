#include "engine/foundation/hooks.h"

#include <utility>

namespace engine {

HostHooks& host_hooks() {
    static HostHooks hooks;
    return hooks;
}

HostHooksInPlace::HostHooksInPlace(HostHooks hooks) : earlier_(std::exchange(host_hooks(), std::move(hooks))) {}

HostHooksInPlace::~HostHooksInPlace() { host_hooks() = std::move(earlier_); }

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
