#include "app/kernel/shell.h"

#include <algorithm>
#include <exception>
#include <iostream>

#include "app/kernel/removal_report.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "platform/machine/machine.h"
#include "platform/sys/run_cancel.h"

namespace app {

Shell::Shell(Stage& stage, ProgramInfo program)
    : stage_(stage),
      program_(std::move(program)),
      language_(program_.folder),
      message_box_(stage_, language_),
      log_window_(stage_, language_, program_.folder) {
    message_box_.on_exit_now([this] { end_program(); });
}

bool Shell::confirm(const Question& question) {
    return app::confirm(message_box_, language_, question);
}

void Shell::notify(const Question& notice) {
    app::notify(message_box_, language_, notice);
}

void Shell::notify_completion() {
    app::notify_completion(stage_, message_box_, language_);
}

void Shell::add_load_step(LoadStep moment, std::function<void()> step) {
    load_steps_.emplace(moment, std::move(step));
}

void Shell::add_exit_question(std::function<bool()> may_end) { exit_questions_.push_back(std::move(may_end)); }

bool Shell::may_end() {
    return std::ranges::all_of(exit_questions_, [](const auto& may_end) { return may_end(); });
}

void Shell::run_load_steps() {
    for (auto& [moment, step] : load_steps_) engine::ignore_errors(step);
}

void Shell::listen(const std::string& movie, Stage::CommandHandler handler) {
    stage_.on_command(movie, [this, handler = std::move(handler)](const std::string& command,
                                                                   const std::string& args) {
        try {
            handler(command, args);
        } catch (const std::exception& error) {
            // The drivers handle their own failures; anything that still escapes is shown, not fatal.
            std::cerr << "tavrinapp: " << command << ": " << error.what() << "\n";
            log_window_.addLogLine(command + ": " + error.what());
        }
        save_after_command();
    });
}

// A save that fails (a full disk, a read-only folder, Wine running) loses nothing: the changes stay
// in memory and the save after the next command tries them again. The user is told why, and the
// program goes on.
void Shell::save_after_command() {
    if (!after_command_) return;
    try {
        after_command_();
    } catch (const std::exception& error) {
        std::cerr << "tavrinapp: " << error.what() << "\n";
        log_window_.show();
        log_window_.addLogLine(text("msg110") + " " + error.what());
    }
}

void Shell::report_not_saved(const std::vector<std::string>& changes) {
    if (changes.empty()) return;
    log_window_.show();
    log_window_.addLogLine(text("msg500"));
    for (const std::string& change : changes) log_window_.addLogLine(change);
}

void Shell::end_program() {
    ending_ = true;
    stage_.quit();
}

namespace {

// False when the user's Cancel stopped the driver: what it had done stays, and is reported.
bool ran_to_its_end(const std::function<void()>& driver) {
    try {
        driver();
        return true;
    } catch (const platform::RunCancelled&) {
        return false;
    }
}

}  // namespace

void logged_run(Shell& shell, const std::function<void()>& driver) {
    const engine::BusyPointer busy;
    shell.log_window().show();
    if (!platform::has_current_machine() || platform::current_machine().removals().recording()) {
        ran_to_its_end(driver);
        shell.log_window().finish_run();
        return;
    }
    platform::Recording run(platform::current_machine(), platform::RemovalLog::Mode::Record);
    const bool cancelled = !ran_to_its_end(driver);
    shell.log_window().finish_run(
        completion_text(run.finish(), [&shell](std::string_view key) { return shell.language().text(key); }, cancelled));
}

}  // namespace app
