#pragma once
// The program's shared state and services, handed to every feature: the screens, the language,
// the message box, the log window, the command table of the main movie, the current profile and
// the start-up steps of the main window. Features add their command rows and start-up steps from
// their own files (see app/program/feature_rows.h); nothing here knows a feature by name.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/kernel/dispatcher.h"
#include "app/stage/stage.h"
#include "app/texts/language.h"
#include "app/windows/flash_msg_box.h"
#include "app/windows/log_window.h"

namespace app {

// The moments of the main window's start-up a feature can add a step to, in the order they run.
enum class LoadStep {
    ScheduleState = 1,       // whether a stored schedule arms the schedule check
    ConnectionDefaults = 5,  // the values of the stored connection type
    RestoreLists = 6,        // the DLL restore list, then the registry backup list
    OptionState = 7,         // the stored ticks and buttons of the current profile
    PluginList = 8,
    SystemLists = 9,         // startup, uninstall and drive lists
    InstalledApplications = 10,
    ScheduleScreen = 11,
    Splash = 12,             // the splash, shown over the main window while it comes up
    Finishing = 13,          // the tray captions, the program's own folders
};

struct ProgramInfo {
    std::string folder;     // Windows path of the program folder in the machine
    std::string file_name;  // without extension, as the start-up entry names it
    int major = 0, minor = 0, revision = 0;
};

class Shell {
public:
    Shell(Stage& stage, ProgramInfo program);
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    Stage& stage() { return stage_; }
    const ProgramInfo& program() const { return program_; }
    Language& language() { return language_; }
    FlashMsgBox& message_box() { return message_box_; }
    LogWindow& log_window() { return log_window_; }
    Dispatcher& commands() { return commands_; }

    // The profile the options are saved to; "" while there is none.
    const std::string& current_profile() const { return current_profile_; }
    void set_current_profile(std::string name) { current_profile_ = std::move(name); }

    // Questions and notices by message key (see flash_msg_box.h).
    bool confirm(const Question& question);
    void notify(const Question& notice);
    void notify_completion();
    std::string text(const std::string& message_key) const { return language_.text(message_key); }

    // Start-up steps of the main window; several per moment run in the order they were added.
    void add_load_step(LoadStep moment, std::function<void()> step);
    // Runs every step in order; a failing step is skipped and the next one runs.
    void run_load_steps();

    // A question a feature asks before the program ends from the close button or the tray (an
    // armed schedule): false keeps the program open, and nothing is saved.
    void add_exit_question(std::function<bool()> may_end);
    // Asks them in the order they were added, up to the first that keeps the program open.
    bool may_end();

    // Runs after every handled command, whatever movie sent it: the point at which the changes
    // of a finished command reach the machine's files. When it fails, the log window says why.
    void set_after_command(std::function<void()> after_command) { after_command_ = std::move(after_command); }
    // Lists in the log window the changes a save could not keep because another program changed
    // the same registry keys meanwhile (nothing when there are none).
    void report_not_saved(const std::vector<std::string>& changes);
    // Connects a movie's commands to a handler through the after-command point; a failing command
    // is reported in the log window instead of ending the program.
    void listen(const std::string& movie, Stage::CommandHandler handler);
    // The same save point for work no command started (a scheduled run from a timer).
    void save_after_command();

    // Ends the program at once; nothing more is saved.
    void end_program();
    bool ending() const { return ending_; }

private:
    Stage& stage_;
    ProgramInfo program_;
    Language language_;
    FlashMsgBox message_box_;
    LogWindow log_window_;
    Dispatcher commands_;
    std::string current_profile_;
    bool ending_ = false;
    std::multimap<LoadStep, std::function<void()>> load_steps_;
    std::vector<std::function<bool()>> exit_questions_;
    std::function<void()> after_command_;
};

// The logged run most cleaning commands use: the busy pointer at once, show the log window, run
// the driver, then the completion text with what the run removed, and the view-log button. A
// driver that the user's Cancel stops (platform::RunCancelled) ends there, and the completion text
// says so. Inside a preview's dry run the driver runs as it is; the preview reports for itself.
void logged_run(Shell& shell, const std::function<void()>& driver);

}  // namespace app
