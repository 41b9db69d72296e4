#pragma once
// What the program needs from the screens: movie variables, windows, modal boxes, dialogs and the
// loop. The real one forwards to the movie player; unit tests drive the program through a recording
// stand-in, so every screen rule can be checked without a browser.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace app {

// The movies and the windows that show them share their names.
inline constexpr const char* kProfilesMovie = "profiles";
inline constexpr const char* kMainMovie = "main";
inline constexpr const char* kLogMovie = "log";
inline constexpr const char* kMsgBoxMovie = "msgbox";
// The tray: its captions are the variables "smenu" and "emenu", its menu items the commands of
// the same names.
inline constexpr const char* kTrayMovie = "tray";
// The splash shown at start-up; the page dismisses it by itself after a moment.
inline constexpr const char* kSplashMovie = "splash";

class Stage {
public:
    using CommandHandler = std::function<void(const std::string& command, const std::string& args)>;

    virtual ~Stage() = default;

    virtual void set_variable(const std::string& movie, const std::string& name, const std::string& value) = 0;
    virtual std::string get_variable(const std::string& movie, const std::string& name) const = 0;
    virtual void load_movie(const std::string& movie, const std::string& file) = 0;
    virtual void goto_frame(const std::string& movie, const std::string& clip, int frame) = 0;

    virtual void show_window(const std::string& window) = 0;
    virtual void hide_window(const std::string& window) = 0;
    virtual bool window_visible(const std::string& window) const = 0;
    virtual void set_busy(bool busy) = 0;
    virtual void open_url(const std::string& url) = 0;
    // Opens a file of the machine in the page (served by the player with the shell's "Open" verb).
    virtual void open_machine_file(const std::string& windows_path) = 0;

    // The commands one movie reports; a later handler for the same movie replaces the earlier one.
    virtual void on_command(const std::string& movie, CommandHandler handler) = 0;
    virtual void add_timer(std::chrono::milliseconds interval, std::function<void()> tick) = 0;

    // Shows the window modal and serves commands until done() holds; false when the program is
    // ending instead (the question was never answered).
    virtual bool show_modal(const std::string& window, const std::function<bool()>& done) = 0;
    // Dialogs; nullopt when cancelled or when the program is ending.
    virtual std::optional<std::string> ask_open_file(const std::string& filter) = 0;
    virtual std::optional<std::string> ask_folder(const std::string& prompt) = 0;
    virtual std::optional<std::string> ask_text(const std::string& prompt) = 0;
    // Lets the timers tick during a long operation; queued input waits until it has ended.
    virtual void process_pending() = 0;
    // Ends the program: every loop returns and the pages are told.
    virtual void quit() = 0;
};

}  // namespace app
