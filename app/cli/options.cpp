#include "app/cli/options.h"

#include <optional>

namespace app::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: tavrinapp [--machine DIR] [--port N] [--no-browser] [--allow-outside-machine]\n"
    "                 [--info | --uninstall] [--help]\n"
    "       tavrinapp --run-schedule --profile NAME [--machine DIR] [--allow-outside-machine]\n"
    "       tavrinapp list | preview | clean | shred | wipe-free-space ... [--machine DIR] [--json]\n"
    "                 (commands for scripts; tavrinapp COMMAND --help says more)\n"
    "\n"
    "  --machine DIR             work on the machine in DIR (a Wine prefix or a Tavrin sandbox);\n"
    "                            a missing or empty DIR becomes a new sandbox machine with demo traces\n"
    "                            (its parent folder must exist)\n"
    "                            (default: the sandbox under ~/.local/share/tavrin/machine)\n"
    "  --port N                  serve the screens on 127.0.0.1:N (default: any free port)\n"
    "  --no-browser              do not open the browser; open the printed address yourself\n"
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
    "  --help                    show this text\n";

int parse_port(std::string_view text) {
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || port > 65535) throw std::invalid_argument("--port needs a number from 0 to 65535");
        port = port * 10 + (c - '0');
    }
    if (text.empty() || port > 65535) throw std::invalid_argument("--port needs a number from 0 to 65535");
    return port;
}

void set_action(Options& options, Action action, std::string_view arg) {
    if (options.action != Action::Serve && options.action != action)
        throw std::invalid_argument("--info, --uninstall and --run-schedule cannot be given together (" +
                                    std::string(arg) + ")");
    options.action = action;
}

}  // namespace

Options parse_options(const std::vector<std::string>& args) {
    Options options;
    bool help = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        auto value = [&](std::string_view name) -> std::optional<std::string> {
            if (arg == name && i + 1 < args.size()) return args[++i];
            if (arg.starts_with(std::string(name) + "=")) return std::string(arg.substr(name.size() + 1));
            return std::nullopt;
        };
        if (arg == "--help" || arg == "-h") help = true;
        else if (arg == "--allow-outside-machine") options.machine.allow_outside_machine = true;
        else if (arg == "--no-browser") options.open_browser = false;
        else if (arg == "--info") set_action(options, Action::Info, arg);
        else if (arg == "--uninstall") set_action(options, Action::Uninstall, arg);
        else if (arg == "--run-schedule") set_action(options, Action::RunSchedule, arg);
        else if (auto dir = value("--machine")) {
            if (dir->empty()) throw std::invalid_argument("--machine needs a folder; an empty name names none");
            options.machine_dir = *dir;
            options.machine_given = true;
        } else if (auto profile = value("--profile")) options.profile = *profile;
        else if (auto port = value("--port")) options.port = parse_port(*port);
        else throw std::invalid_argument("unknown or incomplete option '" + std::string(arg) + "' (see --help)");
    }
    if ((options.action == Action::RunSchedule) != !options.profile.empty())
        throw std::invalid_argument("--run-schedule needs --profile NAME, and --profile belongs to --run-schedule");
    if (help) options.action = Action::Help;
    if (!options.machine_given) options.machine_dir = platform::Machine::default_sandbox_dir();
    return options;
}

std::string_view usage() { return kUsage; }

}  // namespace app::cli
