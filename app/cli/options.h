#pragma once
// The command line of tavrinapp: what the user asked for, checked before anything is touched.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/machine/machine.h"

namespace app::cli {

enum class Action {
    Serve,      // open (or create) the machine and show the screens
    Info,       // print what the machine holds; changes nothing
    Uninstall,  // remove the program and its keys from the machine
    RunSchedule,  // clean the ticks of one profile once, without screens (cron, systemd timers)
    Help,
};

struct Options {
    Action action = Action::Serve;
    std::filesystem::path machine_dir;  // the default sandbox unless machine_given
    bool machine_given = false;
    platform::MachineOptions machine;
    int port = 0;
    bool open_browser = true;
    bool end_with_last_page = false;  // started from the desktop entry: no terminal to end it from
    std::string profile;  // the profile --run-schedule cleans
    std::string help;     // Action::Help: the text to show
};

// The arguments after the program name. platform::args::UsageError when an option is unknown,
// incomplete or has an unusable value. The help, when asked, speaks the language of the machine
// the arguments name.
Options parse_options(const std::vector<std::string>& args);

}  // namespace app::cli
