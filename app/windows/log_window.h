#pragma once
// The log window: a small always-visible panel that shows each log line of a run as it happens,
// the completion text at the end, and a button that opens the day's log file.
#include <string>

#include "app/stage/stage.h"
#include "app/texts/language.h"

namespace app {

struct Date {
    int year = 0, month = 0, day = 0;
};
Date today();

class LogWindow {
public:
    LogWindow(Stage& stage, Language& language, std::string program_folder);

    // Shown modeless; the first show loads its movie (and takes the stored language, as the
    // window always has).
    void show();
    void hide();
    // One line of the running operation (addLogLine).
    void addLogLine(const std::string& text);
    // The end of a run: the completion text (msg4 unless the run has its own) and the view-log
    // button enabled.
    void finish_run();
    void finish_run(const std::string& completion_text);
    void enable_view_log(bool enabled);

    // While it lives, the window takes no lines: a preview runs the clean command, whose own
    // lines would tell of removals that do not happen, and then shows its list instead.
    class Silence {
    public:
        explicit Silence(LogWindow& window) : window_(window), was_silent_(window.silent_) { window.silent_ = true; }
        ~Silence() { window_.silent_ = was_silent_; }
        Silence(const Silence&) = delete;
        Silence& operator=(const Silence&) = delete;

    private:
        LogWindow& window_;
        bool was_silent_;
    };

    // Commands of the log window's movie: IDC_FS_VIEWLOG, IDC_FS_CLOSE.
    void handle_command(const std::string& command, const std::string& args);

    // "<program folder>\Logs\7-3-2006_Log.txt": numbers without leading zeros.
    static std::string log_file_path(const std::string& program_folder, Date date);

private:
    void load();

    Stage& stage_;
    Language& language_;
    std::string program_folder_;
    bool loaded_ = false;
    bool silent_ = false;
};

}  // namespace app
