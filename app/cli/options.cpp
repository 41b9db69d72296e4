#include "app/cli/options.h"

#include <optional>

#include "app/cli/message_texts.h"
#include "app/cli/parser_words.h"
#include "platform/args/argument_parser.h"

namespace app::cli {

namespace {

using platform::args::Problem;
using platform::args::UsageError;

// The forms a start takes; the options' descriptions follow them in the help.
const std::vector<std::string> kUsageLines = {
    "tavrinapp [--machine DIR [--user NAME]] [--port N] [--no-browser] [--end-with-last-page]",
    "          [--allow-outside-machine] [--info | --uninstall] [--help]",
    "tavrinapp --run-schedule --profile NAME [--machine DIR] [--allow-outside-machine]",
    "tavrinapp list | preview | clean | shred | wipe-free-space | plugins ... [--machine DIR] [--json]",
};

int parse_port(const std::string& text) {
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || port > 65535) throw UsageError(Problem::BadValue, "--port", text);
        port = port * 10 + (c - '0');
    }
    if (text.empty() || port > 65535) throw UsageError(Problem::BadValue, "--port", text);
    return port;
}

// At most one of the actions; none is serving the screens.
Action chosen_action(bool info, bool uninstall, bool run_schedule) {
    if (info + uninstall + run_schedule > 1)
        throw UsageError(Problem::Excluded, "--info, --uninstall, --run-schedule");
    return info ? Action::Info : uninstall ? Action::Uninstall : run_schedule ? Action::RunSchedule : Action::Serve;
}

}  // namespace

Options parse_options(const std::vector<std::string>& args) {
    Options options;
    std::optional<std::string> machine, port;
    bool no_browser = false, info = false, uninstall = false, run_schedule = false;
    // The descriptions are message keys, looked up only when help is written.
    platform::args::ArgumentParser parser("tavrinapp", "msg961");
    parser.program()
        .option("--machine", "DIR", machine, "msg962")
        .option("--user", "NAME", options.machine.user, "msg963")
        .option("--port", "N", port, "msg965")
        .unlisted_option("--profile", "NAME", options.profile)
        .flag("--no-browser", no_browser, "msg966")
        .flag("--end-with-last-page", options.end_with_last_page, "msg967")
        .flag("--allow-outside-machine", options.machine.allow_outside_machine, "msg964")
        .flag("--info", info, "msg968")
        .flag("--uninstall", uninstall, "msg969")
        .flag("--run-schedule", "--profile NAME", run_schedule, "msg970");
    parser.program_help(kUsageLines, "msg971");
    try {
        parser.parse(args, [&args] { return help_words(message_texts_before_opening(args)); });
    } catch (const platform::args::HelpRequested& help) {
        options.action = Action::Help;
        options.help = help.what();
        return options;
    }
    options.open_browser = !no_browser;
    options.action = chosen_action(info, uninstall, run_schedule);
    if (machine && machine->empty()) throw UsageError(Problem::Missing, "--machine", "DIR");
    options.machine_given = machine.has_value();
    options.machine_dir = machine ? std::filesystem::path(*machine) : platform::Machine::default_sandbox_dir();
    if (port) options.port = parse_port(*port);
    if (run_schedule && options.profile.empty()) throw UsageError(Problem::Missing, "--run-schedule", "--profile NAME");
    if (!run_schedule && !options.profile.empty()) throw UsageError(Problem::Missing, "--profile", "--run-schedule");
    return options;
}

}  // namespace app::cli
