#include "app/program/program.h"

#include "app/kernel/read_only_machine.h"
#include "app/program/feature_rows.h"
#include "platform/text/ascii_case.h"

namespace app {

using platform::text::to_upper;

namespace {
constexpr const char* kMainMovieFile = "26-9-05.swf";
}  // namespace

Program::Program(Stage& stage, ProgramInfo info)
    : shell_(stage, std::move(info)), profiles_(shell_, [this] { open_main_window(); }) {
    register_features(shell_);
    guard_read_only_machine(shell_);
}

void Program::start() {
    shell_.listen(kProfilesMovie, [this](const std::string& command, const std::string& args) {
        profiles_.handle_command(command, args);
    });
    shell_.listen(kMainMovie, [this](const std::string& command, const std::string& args) {
        // Commands of a window the user cannot see yet are not the user's.
        if (main_window_open_) shell_.commands().dispatch(command, args);
    });
    shell_.listen(kLogMovie, [this](const std::string& command, const std::string& args) {
        shell_.log_window().handle_command(command, args);
    });
    shell_.listen(kMsgBoxMovie, [this](const std::string& command, const std::string& args) {
        shell_.message_box().handle_press(command, args);
    });
    shell_.listen(kTrayMovie, [this](const std::string& command, const std::string&) { handle_tray(command); });
    profiles_.load();
}

void Program::open_main_window() {
    if (main_window_open_) return;
    main_window_open_ = true;
    shell_.stage().load_movie(kMainMovie, kMainMovieFile);
    shell_.run_load_steps();
    shell_.stage().show_window(kMainMovie);
}

void Program::handle_tray(const std::string& command) {
    auto key = to_upper(command);
    if (key == "SMENU") shell_.stage().show_window(kMainMovie);
    // Exiting from the tray is exactly the close button.
    else if (key == "EMENU") shell_.commands().dispatch("IDC_FS_CLOSE", "");
}

}  // namespace app
