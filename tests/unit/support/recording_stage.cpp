#include "tests/unit/support/recording_stage.h"

namespace tavrin_test {

void RecordingStage::send(const std::string& movie, const std::string& command, const std::string& args) {
    auto handler = handlers_.find(movie);
    if (handler != handlers_.end()) handler->second(command, args);
}

void RecordingStage::tick_timers() {
    for (auto& tick : timers_) tick();
}

std::vector<std::string> RecordingStage::values_of(const std::string& movie, const std::string& name) const {
    std::vector<std::string> values;
    for (const auto& set : sets_)
        if (set.movie == movie && set.name == name) values.push_back(set.value);
    return values;
}

void RecordingStage::set_variable(const std::string& movie, const std::string& name, const std::string& value) {
    variables_[movie][name] = value;
    sets_.push_back({movie, name, value});
    if (watch_) watch_(sets_.back());
}

std::string RecordingStage::get_variable(const std::string& movie, const std::string& name) const {
    auto vars = variables_.find(movie);
    if (vars == variables_.end()) return {};
    auto value = vars->second.find(name);
    return value == vars->second.end() ? std::string() : value->second;
}

void RecordingStage::load_movie(const std::string& movie, const std::string& file) {
    loaded_[movie] = file;
}

void RecordingStage::goto_frame(const std::string& movie, const std::string& clip, int frame) {
    frames_[movie][clip] = frame;
}

bool RecordingStage::show_modal(const std::string& window, const std::function<bool()>& done) {
    if (quit_) return false;
    visible_.insert(window);
    if (window == app::kMsgBoxMovie) {
        auto frame = [this](const char* clip) {
            auto& clips = frames_[app::kMsgBoxMovie];
            return clips.contains(clip) ? clips[clip] : -1;
        };
        boxes_.push_back({get_variable(window, "_root.title1"), get_variable(window, "_root.message"),
                          get_variable(window, "_root.Left"), get_variable(window, "_root.Middle"),
                          get_variable(window, "_root.Right"), frame("sign"), frame("NumberOfButtons")});
    }
    while (!done() && !quit_) {
        if (presses_.empty()) {
            visible_.erase(window);
            return false;  // nobody answers: as if the program ended with the box open
        }
        auto label = presses_.front();
        presses_.pop_front();
        send(app::kMsgBoxMovie, get_variable(app::kMsgBoxMovie, "_root.title1"), label);
    }
    visible_.erase(window);
    return !quit_;
}

namespace {
std::optional<std::string> next(std::deque<std::optional<std::string>>& answers) {
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
}
}  // namespace

std::optional<std::string> RecordingStage::ask_open_file(const std::string& filter) {
    prompts_.push_back(filter);
    return next(files_);
}

std::optional<std::string> RecordingStage::ask_folder(const std::string& prompt) {
    prompts_.push_back(prompt);
    return next(folders_);
}

std::optional<std::string> RecordingStage::ask_text(const std::string& prompt) {
    prompts_.push_back(prompt);
    return next(texts_);
}

}  // namespace tavrin_test
