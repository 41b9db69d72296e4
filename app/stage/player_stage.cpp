#include "app/stage/player_stage.h"

#include <cstdio>

namespace app {

namespace {

// Query-string encoding of a Windows path (backslashes, blanks and non-ASCII bytes included).
std::string url_encoded(const std::string& text) {
    std::string encoded;
    for (unsigned char c : text) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '_' || c == '.' || c == '~';
        if (plain) {
            encoded += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            encoded += escape;
        }
    }
    return encoded;
}

}  // namespace

void PlayerStage::set_variable(const std::string& movie, const std::string& name, const std::string& value) {
    player_.set_variable(movie, name, value);
}

std::string PlayerStage::get_variable(const std::string& movie, const std::string& name) const {
    return player_.get_variable(movie, name);
}

void PlayerStage::load_movie(const std::string& movie, const std::string& file) {
    player_.load_movie(movie, file);
}

void PlayerStage::goto_frame(const std::string& movie, const std::string& clip, int frame) {
    player_.goto_frame(movie, clip, frame);
}

void PlayerStage::show_window(const std::string& window) {
    player_.show_window(window);
}

void PlayerStage::hide_window(const std::string& window) {
    player_.hide_window(window);
}

bool PlayerStage::window_visible(const std::string& window) const {
    return player_.window_visible(window);
}

void PlayerStage::set_busy(bool busy) {
    player_.set_busy(busy);
}

void PlayerStage::open_url(const std::string& url) {
    player_.open_url(url);
}

void PlayerStage::open_machine_file(const std::string& windows_path) {
    // The page fetches it with the token in a header; the address itself grants nothing.
    player_.open_url("/api/file?path=" + url_encoded(windows_path));
}

void PlayerStage::on_command(const std::string& movie, CommandHandler handler) {
    player_.on_command(movie, [handler = std::move(handler)](const platform::movie::Command& command) {
        handler(command.command, command.args);
    });
}

void PlayerStage::add_timer(std::chrono::milliseconds interval, std::function<void()> tick) {
    player_.add_timer(interval, std::move(tick));
}

bool PlayerStage::show_modal(const std::string& window, const std::function<bool()>& done) {
    return player_.show_modal(window, done);
}

std::optional<std::string> PlayerStage::ask_open_file(const std::string& filter) {
    return player_.ask_open_file(filter);
}

std::optional<std::string> PlayerStage::ask_folder(const std::string& prompt) {
    return player_.ask_folder(prompt);
}

std::optional<std::string> PlayerStage::ask_text(const std::string& prompt) {
    return player_.ask_text(prompt);
}

void PlayerStage::process_pending() {
    player_.process_pending();
}

void PlayerStage::quit() {
    player_.quit();
}

}  // namespace app
