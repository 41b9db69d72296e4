#pragma once
// Everything a page needs to draw the screens as they are now: the movies' variables, which windows
// are shown, what each movie loaded and which frames its clips show, the hourglass, and the stack of
// modal windows and dialogs the user faces. Every change returns the event that tells the pages about
// it, so the state and the stream can never tell different stories.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace platform::movie {

struct OpenDialog {
    std::uint64_t id = 0;
    std::string kind;  // "open", "folder", "input"
    std::string prompt;
    std::string filter;
    std::string default_text;
};

class ScreenState {
public:
    nlohmann::json set_variable(const std::string& movie, const std::string& name, const std::string& value);
    std::optional<std::string> variable(const std::string& movie, const std::string& name) const;
    std::map<std::string, std::string> variables(const std::string& movie) const;

    nlohmann::json load_movie(const std::string& movie, const std::string& file);
    nlohmann::json goto_frame(const std::string& movie, const std::string& clip, int frame);
    nlohmann::json show_window(const std::string& window, bool modal);
    nlohmann::json hide_window(const std::string& window);
    bool window_visible(const std::string& window) const;
    nlohmann::json set_busy(bool busy);

    nlohmann::json open_dialog(const OpenDialog& dialog);
    // The dialog leaves the stack wherever it sits in it; nullopt when it was not open.
    std::optional<nlohmann::json> close_dialog(std::uint64_t id);
    bool dialog_open(std::uint64_t id) const;

    // The top of the modal stack: a window name, "dialog", or "" when nothing modal is open.
    std::string modal() const;
    // The top-most open dialog as the pages see it, or null.
    nlohmann::json dialog() const;

    nlohmann::json snapshot() const;

private:
    struct Window {
        bool visible = false;
        bool modal = false;
    };
    // A modal window or a dialog; nested loops open them in order, so the last one is in front.
    struct ModalEntry {
        std::string window;  // empty for a dialog
        OpenDialog dialog;
    };

    void drop_modal_window(const std::string& window);

    std::map<std::string, std::map<std::string, std::string>> variables_;
    std::map<std::string, Window> windows_;
    std::map<std::string, std::string> loaded_;
    std::map<std::string, std::map<std::string, int>> frames_;
    bool busy_ = false;
    std::vector<ModalEntry> modal_stack_;
};

}  // namespace platform::movie
