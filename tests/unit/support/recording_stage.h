#pragma once
// A stand-in for the browser: keeps every movie's variables, records what the program showed, and
// plays a scripted user who presses message-box buttons and answers dialogs as they come up.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/stage/stage.h"

namespace tavrin_test {

class RecordingStage : public app::Stage {
public:
    struct Set {
        std::string movie, name, value;
    };
    // A message box as the user saw it.
    struct Box {
        std::string title, message, left, middle, right;
        int sign = -1, buttons_frame = -1;
    };

    // --- The scripted user -------------------------------------------------------------------
    // The next message box is answered by pressing the button showing this label text.
    void will_press(std::string label) { presses_.push_back(std::move(label)); }
    // The next input box gets this answer (nullopt = cancelled); likewise the file and folder dialogs.
    void will_type(std::optional<std::string> text) { texts_.push_back(std::move(text)); }
    void will_choose_file(std::optional<std::string> file) { files_.push_back(std::move(file)); }
    void will_choose_folder(std::optional<std::string> folder) { folders_.push_back(std::move(folder)); }
    // What the page would send: a command of a movie.
    void send(const std::string& movie, const std::string& command, const std::string& args = "");
    // Runs every timer once.
    void tick_timers();
    // The user acting while a run works (pressing Cancel): hears every variable the program sets.
    void while_running(std::function<void(const Set&)> watch) { watch_ = std::move(watch); }

    // --- What the program did ----------------------------------------------------------------
    const std::vector<Set>& sets() const { return sets_; }
    // The values one variable received, in order.
    std::vector<std::string> values_of(const std::string& movie, const std::string& name) const;
    const std::vector<Box>& boxes() const { return boxes_; }
    const std::vector<std::string>& prompts() const { return prompts_; }
    const std::vector<std::string>& opened_files() const { return opened_files_; }
    bool quit_called() const { return quit_; }
    bool unanswered_script() const { return !presses_.empty() || !texts_.empty(); }
    size_t timer_count() const { return timers_.size(); }

    // --- Stage ---------------------------------------------------------------------------------
    void set_variable(const std::string& movie, const std::string& name, const std::string& value) override;
    std::string get_variable(const std::string& movie, const std::string& name) const override;
    void load_movie(const std::string& movie, const std::string& file) override;
    void goto_frame(const std::string& movie, const std::string& clip, int frame) override;
    void show_window(const std::string& window) override { visible_.insert(window); }
    void hide_window(const std::string& window) override { visible_.erase(window); }
    bool window_visible(const std::string& window) const override { return visible_.contains(window); }
    void set_busy(bool busy) override { busy_history_.push_back(busy); }
    void open_url(const std::string& url) override { opened_urls_.push_back(url); }
    const std::vector<bool>& busy_history() const { return busy_history_; }
    const std::vector<std::string>& opened_urls() const { return opened_urls_; }
    std::string loaded(const std::string& movie) const { return loaded_.contains(movie) ? loaded_.at(movie) : ""; }
    void open_machine_file(const std::string& windows_path) override { opened_files_.push_back(windows_path); }
    void on_command(const std::string& movie, CommandHandler handler) override { handlers_[movie] = std::move(handler); }
    void add_timer(std::chrono::milliseconds, std::function<void()> tick) override { timers_.push_back(std::move(tick)); }
    bool show_modal(const std::string& window, const std::function<bool()>& done) override;
    std::optional<std::string> ask_open_file(const std::string& filter) override;
    std::optional<std::string> ask_folder(const std::string& prompt) override;
    std::optional<std::string> ask_text(const std::string& prompt) override;
    void process_pending() override {}
    void quit() override { quit_ = true; }

private:
    std::vector<bool> busy_history_;
    std::vector<std::string> opened_urls_;
    std::vector<std::string> opened_files_;
    std::map<std::string, std::string> loaded_;
    std::map<std::string, std::map<std::string, std::string>> variables_;
    std::map<std::string, std::map<std::string, int>> frames_;
    std::vector<Set> sets_;
    std::set<std::string> visible_;
    std::map<std::string, CommandHandler> handlers_;
    std::vector<std::function<void()>> timers_;
    std::deque<std::string> presses_;
    std::deque<std::optional<std::string>> texts_, files_, folders_;
    std::vector<Box> boxes_;
    std::vector<std::string> prompts_;
    bool quit_ = false;
    std::function<void(const Set&)> watch_;
};

}  // namespace tavrin_test
