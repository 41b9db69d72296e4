#pragma once
// The screens as the browser shows them: the stage over the movie player.
#include "app/stage/stage.h"
#include "platform/movie/movie_player.h"

namespace app {

class PlayerStage : public Stage {
public:
    explicit PlayerStage(platform::movie::MoviePlayer& player) : player_(player) {}

    void set_variable(const std::string& movie, const std::string& name, const std::string& value) override;
    std::string get_variable(const std::string& movie, const std::string& name) const override;
    void load_movie(const std::string& movie, const std::string& file) override;
    void goto_frame(const std::string& movie, const std::string& clip, int frame) override;
    void show_window(const std::string& window) override;
    void hide_window(const std::string& window) override;
    bool window_visible(const std::string& window) const override;
    void set_busy(bool busy) override;
    void open_url(const std::string& url) override;
    void open_machine_file(const std::string& windows_path) override;
    void on_command(const std::string& movie, CommandHandler handler) override;
    void add_timer(std::chrono::milliseconds interval, std::function<void()> tick) override;
    bool show_modal(const std::string& window, const std::function<bool()>& done) override;
    std::optional<std::string> ask_open_file(const std::string& filter) override;
    std::optional<std::string> ask_folder(const std::string& prompt) override;
    std::optional<std::string> ask_text(const std::string& prompt) override;
    void process_pending() override;
    void quit() override;

private:
    platform::movie::MoviePlayer& player_;
};

}  // namespace app
