#include "app/windows/log_window.h"

#include <ctime>

#include "app/settings/user_settings.h"
#include "platform/text/ascii_case.h"

namespace app {

using platform::text::to_upper;

Date today() {
    std::time_t now = std::time(nullptr);
    // Only the UI thread asks, so the shared buffer of localtime is not raced.
    const std::tm* local = std::localtime(&now);
    return {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday};
}

LogWindow::LogWindow(Stage& stage, Language& language, std::string program_folder)
    : stage_(stage), language_(language), program_folder_(std::move(program_folder)) {}

void LogWindow::load() {
    auto name = user_settings::language();
    language_.select(name);
    stage_.set_variable(kLogMovie, "_root.strCurrentLanguage", name);
    stage_.load_movie(kLogMovie, "LogFile2.swf");
    enable_view_log(false);
    loaded_ = true;
}

void LogWindow::show() {
    if (!loaded_) load();
    stage_.show_window(kLogMovie);
}

void LogWindow::hide() {
    stage_.hide_window(kLogMovie);
}

void LogWindow::addLogLine(const std::string& text) {
    if (silent_) return;
    stage_.set_variable(kLogMovie, "_root.LogFile", text);
}

void LogWindow::finish_run() { finish_run(language_.text("msg4")); }

void LogWindow::finish_run(const std::string& completion_text) {
    addLogLine(completion_text);
    enable_view_log(true);
}

void LogWindow::enable_view_log(bool enabled) {
    if (silent_) return;
    stage_.set_variable(kLogMovie, "_root.ViewLogBtn", enabled ? "1" : "0");
}

void LogWindow::handle_command(const std::string& command, const std::string&) {
    auto key = to_upper(command);
    if (key == "IDC_FS_VIEWLOG") {
        stage_.open_machine_file(log_file_path(program_folder_, today()));
        hide();
    } else if (key == "IDC_FS_CLOSE") {
        hide();
    }
}

std::string LogWindow::log_file_path(const std::string& program_folder, Date date) {
    return program_folder + "\\Logs\\" + std::to_string(date.day) + "-" + std::to_string(date.month) + "-" +
           std::to_string(date.year) + "_Log.txt";
}

}  // namespace app
