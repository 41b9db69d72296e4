#pragma once
// What the engine asks of whoever hosts it: the mouse pointer and message boxes belong to the
// program's screen, so the engine only calls these hooks; without a program they do nothing.
#include <functional>
#include <optional>
#include <string>

namespace engine {

struct HostHooks {
    // true: the hourglass (pointer 11); false: the arrow (pointer 1).
    std::function<void(bool busy)> set_busy_pointer;
    // A message box with an OK button, shown by the program; returns when it was answered.
    std::function<void(const std::string& text, const std::string& title)> show_message;
    // Lets the program run its due timers once (DoEvents); its queued input waits for the work.
    std::function<void()> process_pending;
    // The program's folder dialog with the given title; nullopt when the user cancelled.
    std::function<std::optional<std::string>(const std::string& title)> browse_folder;
    // Opens an address in the user's browser, where the program's screens are.
    std::function<void(const std::string& address)> open_address;
    // The notification-area icon of an engine Systray: shown with its tip, or taken away.
    std::function<void(bool shown, const std::string& tip)> show_tray_icon;
};

HostHooks& host_hooks();

// Puts a set of hooks in place for the lifetime of one object and the set that was there before
// back on every way out, an exception included: the program's wiring, and a test's stand-ins.
class HostHooksInPlace {
public:
    explicit HostHooksInPlace(HostHooks hooks);
    ~HostHooksInPlace();
    HostHooksInPlace(const HostHooksInPlace&) = delete;
    HostHooksInPlace& operator=(const HostHooksInPlace&) = delete;

private:
    HostHooks earlier_;
};

// The hourglass for the lifetime of one member call, put back on every way out.
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// Hands control to the program's queue once; without a program it returns at once.
void process_pending_messages();

void show_engine_message(const std::string& text, const std::string& title = "Tavrin");

}  // namespace engine
