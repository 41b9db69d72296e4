#include "app/cli/options.h"

#include <optional>

#include "platform/args/argument_parser.h"

namespace app::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: tavrinapp [--machine DIR [--user NAME]] [--port N] [--no-browser] [--end-with-last-page]\n"
    "                 [--allow-outside-machine] [--info | --uninstall] [--help]\n"
    "       tavrinapp --run-schedule --profile NAME [--machine DIR] [--allow-outside-machine]\n"
    "       tavrinapp list | preview | clean | shred | wipe-free-space | plugins ... [--machine DIR] [--json]\n"
    "                 (commands for scripts; tavrinapp COMMAND --help says more)\n"
    "\n"
    "  --machine DIR             work on the machine in DIR (a Wine prefix, a Tavrin sandbox, or a\n"
    "                            Windows installation: a mounted Windows partition or a copy of one);\n"
    "                            a missing or empty DIR becomes a new sandbox machine with demo traces\n"
    "                            (its parent folder must exist)\n"
    "                            (default: the sandbox under ~/.local/share/tavrin/machine)\n"
    "  --user NAME               on a Windows installation with several user profiles: the one to\n"
    "                            open (the name of its folder); without it they are listed\n"
    "  --port N                  serve the screens on 127.0.0.1:N (default: any free port)\n"
    "  --no-browser              do not open the browser; open the printed address yourself\n"
    "  --end-with-last-page      end a few seconds after the last page of the screens is closed (a\n"
    "                            reload keeps the program); the desktop entry starts it this way\n"
    "  --allow-outside-machine   allow changes on drives that lie outside the machine folder\n"
    "  --info                    print what the machine holds and end; changes nothing\n"
    "  --uninstall               remove Tavrin from the machine and end: its program folder\n"
    "                            (C:\\Program Files\\Orvane with its logs, DLL backups and plug-ins),\n"
    "                            its registered engine classes and its settings, profiles and\n"
    "                            backups in the registry\n"
    "  --run-schedule --profile NAME\n"
    "                            clean what the profile NAME ticks, once, now, without screens, as\n"
    "                            the schedule does, printing each log line; for cron and systemd timers\n"
    "                            (ends with status 2 when the machine has no such profile)\n"
    "  --help                    show this text\n"
    "\n"
    "One program works on a machine at a time: started again on the same machine, tavrinapp opens\n"
    "the running program's screens (or prints their address without a desktop) and ends.\n";

int parse_port(std::string_view text) {
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || port > 65535) throw std::invalid_argument("--port needs a number from 0 to 65535");
        port = port * 10 + (c - '0');
    }
    if (text.empty() || port > 65535) throw std::invalid_argument("--port needs a number from 0 to 65535");
    return port;
}

// At most one of the actions; none is serving the screens.
Action chosen_action(bool info, bool uninstall, bool run_schedule) {
    if (info + uninstall + run_schedule > 1)
        throw std::invalid_argument("--info, --uninstall and --run-schedule cannot be given together");
    return info ? Action::Info : uninstall ? Action::Uninstall : run_schedule ? Action::RunSchedule : Action::Serve;
}

}  // namespace

Options parse_options(const std::vector<std::string>& args) {
    Options options;
    std::optional<std::string> machine, port;
    bool no_browser = false, info = false, uninstall = false, run_schedule = false;
    // --help prints kUsage, which describes every option: the parser needs no help texts.
    platform::args::ArgumentParser parser("tavrinapp", "");
    parser.program()
        .option("--machine", machine, "")
        .option("--user", options.machine.user, "")
        .option("--port", port, "")
        .option("--profile", options.profile, "")
        .flag("--no-browser", no_browser, "")
        .flag("--end-with-last-page", options.end_with_last_page, "")
        .flag("--allow-outside-machine", options.machine.allow_outside_machine, "")
        .flag("--info", info, "")
        .flag("--uninstall", uninstall, "")
        .flag("--run-schedule", run_schedule, "");
    try {
        parser.parse(args);
    } catch (const platform::args::HelpRequested&) {
        options.action = Action::Help;
        return options;
    }
    options.open_browser = !no_browser;
    options.action = chosen_action(info, uninstall, run_schedule);
    if (machine && machine->empty()) throw std::invalid_argument("--machine needs a folder; an empty name names none");
    options.machine_given = machine.has_value();
    options.machine_dir = machine ? std::filesystem::path(*machine) : platform::Machine::default_sandbox_dir();
    if (port) options.port = parse_port(*port);
    if (run_schedule != !options.profile.empty())
        throw std::invalid_argument("--run-schedule needs --profile NAME, and --profile belongs to --run-schedule");
    return options;
}

std::string_view usage() { return kUsage; }

}  // namespace app::cli
