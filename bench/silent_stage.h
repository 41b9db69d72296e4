#pragma once
// A stand-in for the screens, for benchmarks that drive the program's runs.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "app/stage/stage.h"

namespace bench {

// The run needs a screen to relay its log lines to; nothing is shown here.
class SilentStage : public app::Stage {
public:
    void set_variable(const std::string&, const std::string&, const std::string&) override {}
    std::string get_variable(const std::string&, const std::string&) const override { return {}; }
    void load_movie(const std::string&, const std::string&) override {}
    void goto_frame(const std::string&, const std::string&, int) override {}
    void show_window(const std::string&) override {}
    void hide_window(const std::string&) override {}
    bool window_visible(const std::string&) const override { return false; }
    void set_busy(bool) override {}
    void open_url(const std::string&) override {}
    void open_machine_file(const std::string&) override {}
    void on_command(const std::string&, CommandHandler) override {}
    void add_timer(std::chrono::milliseconds, std::function<void()>) override {}
    bool show_modal(const std::string&, const std::function<bool()>&) override { return false; }
    std::optional<std::string> ask_open_file(const std::string&) override { return std::nullopt; }
    std::optional<std::string> ask_folder(const std::string&) override { return std::nullopt; }
    std::optional<std::string> ask_text(const std::string&) override { return std::nullopt; }
    void process_pending() override {}
    void quit() override {}
};

}  // namespace bench
