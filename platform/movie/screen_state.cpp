#include "platform/movie/screen_state.h"

#include <algorithm>

namespace platform::movie {

using nlohmann::json;

namespace {

json dialog_json(const OpenDialog& dialog) {
    return {{"id", dialog.id},
            {"kind", dialog.kind},
            {"prompt", dialog.prompt},
            {"filter", dialog.filter},
            {"default", dialog.default_text}};
}

}  // namespace

json ScreenState::set_variable(const std::string& movie, const std::string& name, const std::string& value) {
    variables_[movie][name] = value;
    return {{"type", "set"}, {"movie", movie}, {"name", name}, {"value", value}};
}

std::optional<std::string> ScreenState::variable(const std::string& movie, const std::string& name) const {
    auto found_movie = variables_.find(movie);
    if (found_movie == variables_.end()) return std::nullopt;
    auto found = found_movie->second.find(name);
    if (found == found_movie->second.end()) return std::nullopt;
    return found->second;
}

std::map<std::string, std::string> ScreenState::variables(const std::string& movie) const {
    auto found = variables_.find(movie);
    return found == variables_.end() ? std::map<std::string, std::string>{} : found->second;
}

json ScreenState::load_movie(const std::string& movie, const std::string& file) {
    loaded_[movie] = file;
    return {{"type", "load"}, {"movie", movie}, {"file", file}};
}

json ScreenState::goto_frame(const std::string& movie, const std::string& clip, int frame) {
    frames_[movie][clip] = frame;
    return {{"type", "goto"}, {"movie", movie}, {"clip", clip}, {"frame", frame}};
}

json ScreenState::show_window(const std::string& window, bool modal) {
    drop_modal_window(window);
    windows_[window] = Window{true, modal};
    if (modal) modal_stack_.push_back(ModalEntry{window, {}});
    return {{"type", "window"}, {"window", window}, {"visible", true}, {"modal", modal}};
}

json ScreenState::hide_window(const std::string& window) {
    drop_modal_window(window);
    windows_[window] = Window{false, false};
    return {{"type", "window"}, {"window", window}, {"visible", false}, {"modal", false}};
}

bool ScreenState::window_visible(const std::string& window) const {
    auto found = windows_.find(window);
    return found != windows_.end() && found->second.visible;
}

json ScreenState::set_busy(bool busy) {
    busy_ = busy;
    return {{"type", "cursor"}, {"busy", busy}};
}

json ScreenState::open_dialog(const OpenDialog& dialog) {
    modal_stack_.push_back(ModalEntry{"", dialog});
    json event = dialog_json(dialog);
    event["type"] = "dialog";
    return event;
}

std::optional<json> ScreenState::close_dialog(std::uint64_t id) {
    auto found = std::find_if(modal_stack_.begin(), modal_stack_.end(), [id](const ModalEntry& entry) {
        return entry.window.empty() && entry.dialog.id == id;
    });
    if (found == modal_stack_.end()) return std::nullopt;
    modal_stack_.erase(found);
    return json{{"type", "dialog"}, {"id", id}, {"closed", true}};
}

bool ScreenState::dialog_open(std::uint64_t id) const {
    return std::any_of(modal_stack_.begin(), modal_stack_.end(), [id](const ModalEntry& entry) {
        return entry.window.empty() && entry.dialog.id == id;
    });
}

std::string ScreenState::modal() const {
    if (modal_stack_.empty()) return "";
    const ModalEntry& top = modal_stack_.back();
    return top.window.empty() ? "dialog" : top.window;
}

json ScreenState::dialog() const {
    for (auto entry = modal_stack_.rbegin(); entry != modal_stack_.rend(); ++entry) {
        if (entry->window.empty()) return dialog_json(entry->dialog);
    }
    return nullptr;
}

json ScreenState::snapshot() const {
    json windows = json::object();
    for (const auto& [name, window] : windows_) {
        windows[name] = {{"visible", window.visible}, {"modal", window.modal}};
    }
    const std::string front = modal();
    return {{"type", "snapshot"},
            {"movies", variables_.empty() ? json::object() : json(variables_)},
            {"windows", windows},
            {"loaded", loaded_.empty() ? json::object() : json(loaded_)},
            {"frames", frames_.empty() ? json::object() : json(frames_)},
            {"busy", busy_},
            {"modal", front.empty() ? json(nullptr) : json(front)},
            {"dialog", dialog()}};
}

void ScreenState::drop_modal_window(const std::string& window) {
    std::erase_if(modal_stack_, [&](const ModalEntry& entry) { return entry.window == window; });
}

}  // namespace platform::movie
