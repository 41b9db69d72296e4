// tavrinapp: opens (or creates) the machine it works on, installs itself into it and serves its
// screens to the browser on 127.0.0.1 until the user ends it.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/exit_status.h"
#include "app/cli/machine_choice.h"
#include "app/cli/machine_info.h"
#include "app/cli/message_texts.h"
#include "app/cli/options.h"
#include "app/cli/parser_words.h"
#include "app/cli/scheduled_run.h"
#include "app/cli/served_screens.h"
#include "app/cli/skin_folder.h"
#include "app/cli/test_clock.h"
#include "app/cli/uninstall.h"
#include "app/demo/demo_traces.h"
#include "app/kernel/host_wiring.h"
#include "app/program/program.h"
#include "app/stage/player_stage.h"
#include "app/program/user_choice_window.h"
#include "engine/foundation/class_table.h"
#include "engine/foundation/engine_error.h"
#include "engine/plugins/default_plugin_file.h"
#include "engine/plugins/plugins.h"
#include "engine/shredder/free_space_wipe.h"
#include "platform/args/argument_parser.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"
#include "platform/machine/machine_lock.h"
#include "platform/machine/several_profiles.h"
#include "platform/movie/movie_player.h"
#include "platform/shell/desktop.h"

namespace {

constexpr int kMajor = TAVRIN_VERSION_MAJOR, kMinor = TAVRIN_VERSION_MINOR, kRevision = TAVRIN_VERSION_PATCH;
constexpr const char* kProgramFileName = "tavrinapp";

int serve(platform::Machine& machine, platform::MachineLock& lock, std::optional<app::cli::ServedScreens>& screens,
          const app::cli::Options& options) {
    if (!screens) screens.emplace(options);
    screens->set_machine(&machine);
    platform::movie::MoviePlayer& player = screens->player();
    app::PlayerStage stage(player);
    app::Program program(stage, {platform::kProgramFolder, kProgramFileName, kMajor, kMinor, kRevision});
    program.shell().set_after_command([&machine, &shell = program.shell()] { shell.report_not_saved(machine.flush()); });
    const app::HostWiring wiring(program.shell());

    // The start-up steps store settings too; they are on disk before the address is printed, so a
    // signal right after it (a script, a test, an impatient Ctrl+C) loses nothing.
    program.start();
    machine.flush();

    lock.publish_address(player.url());
    screens->announce();

    player.run();

    player.stop();
    return app::cli::exit_status::kSuccess;
}

// Installs the program into the machine (every start repairs it) and serves the screens.
int start(platform::Machine& machine, platform::MachineLock& lock, bool created,
          std::optional<app::cli::ServedScreens>& screens, const app::cli::Options& options) {
    platform::install_program_folder(machine, app::cli::skin_folder());
    // Classes are registered for other programs of the machine; an offline installation runs none.
    if (!machine.is_windows_installation()) engine::DllRegisterServer();
    // Without the shipped plug-in file the program still runs; the plug-in list is just empty.
    engine::ignore_errors(engine::install_default_plugin_file);
    engine::ignore_errors(engine::Plugins::shred_old_working_copy);
    if (created) app::demo::plant_demo_traces();
    machine.flush();
    std::cout << app::cli::machine_line(machine, created) << std::endl;
    return serve(machine, lock, screens, options);
}

// A Windows installation with several user profiles, started for the screens without --user:
// they open on the list, and the machine opens with the profile the person chooses (one that
// cannot be opened is said on the list, which stays). Nothing when the program ends instead.
std::optional<app::cli::ChosenMachine> choose_user_on_screens(app::cli::Options& options,
                                                              const platform::SeveralProfiles& several,
                                                              app::cli::ServedScreens& screens,
                                                              const std::vector<std::string>& args) {
    app::PlayerStage stage(screens.player());
    const std::string language = app::cli::language_before_opening(args);
    app::UserChoice choice{std::filesystem::absolute(options.machine_dir).lexically_normal().string(), several.names(),
                           language, app::cli::message_texts_in(language), ""};
    screens.announce();
    while (const std::optional<std::string> user = app::choose_installation_user(stage, choice)) {
        options.machine.user = *user;
        try {
            return app::cli::choose_machine(options);
        } catch (const std::exception& refused) {
            choice.refusal = refused.what();
        }
    }
    return std::nullopt;
}

// A second start on a machine whose program serves its screens leads to them instead of refusing:
// started from the desktop, the user sees the window they asked for.
int open_running_program(const platform::MachineBusy& busy, const app::cli::Options& options) {
    std::cout << "Tavrin is already running on this machine at " << busy.address() << std::endl;
    if (options.open_browser && platform::shell::has_desktop() && !platform::shell::open_with_desktop(busy.address()))
        std::cerr << "tavrinapp: could not open the browser; open the address above yourself\n";
    return app::cli::exit_status::kSuccess;
}

int run(app::cli::Options options, const std::vector<std::string>& args) {
    // The machine outlives the screens, whose dialogs reach its files until they end.
    app::cli::ChosenMachine chosen;
    std::optional<app::cli::ServedScreens> screens;
    try {
        chosen = app::cli::choose_machine(options);
    } catch (const platform::SeveralProfiles& several) {
        if (options.action != app::cli::Action::Serve) throw;
        screens.emplace(options);
        auto opened = choose_user_on_screens(options, several, *screens, args);
        if (!opened) return app::cli::exit_status::kSuccess;
        chosen = std::move(*opened);
    }
    auto& [machine, created] = chosen;
    if (options.action == app::cli::Action::Info) {
        // Current only to read the language chosen there; nothing is held or written.
        const platform::CurrentMachineScope current(*machine);
        app::cli::print_machine_info(*machine, app::cli::message_texts(), std::cout);
        return app::cli::exit_status::kSuccess;
    }
    std::optional<platform::MachineLock> held;
    try {
        held.emplace(*machine);
    } catch (const platform::MachineBusy& busy) {
        if (options.action != app::cli::Action::Serve || busy.address().empty()) throw;
        return open_running_program(busy, options);
    }
    platform::MachineLock& lock = *held;
    const platform::CurrentMachineScope current(*machine);
    engine::remove_leftover_fill_files(machine->files());
    if (options.action == app::cli::Action::Uninstall) {
        std::cout << app::cli::uninstall_program(*machine) << "\n";
        return app::cli::exit_status::kSuccess;
    }
    if (options.action == app::cli::Action::RunSchedule) {
        // A machine with profiles has the program installed already: the run only cleans.
        const int status = app::cli::run_schedule_once(options.profile, std::cout, std::cerr);
        machine->flush();
        return status;
    }
    return start(*machine, lock, created, screens, options);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // list, preview, clean, shred, wipe-free-space: the commands for scripts.
    if (app::cli::is_command(args)) return app::cli::run_command(args, std::cout, std::cerr);
    try {
        app::cli::Options options = app::cli::parse_options(args);
        if (options.action == app::cli::Action::Help) {
            std::cout << options.help;
            return app::cli::exit_status::kSuccess;
        }
        app::cli::apply_test_clock();
        return run(std::move(options), args);
    } catch (const platform::args::UsageError& e) {
        std::cerr << "tavrinapp: " << app::cli::usage_error_text(e, app::cli::message_texts_before_opening(args)) << "\n";
        return app::cli::exit_status::kFailure;
    } catch (const std::exception& e) {
        std::cerr << "tavrinapp: " << e.what() << "\n";
        return app::cli::exit_status::kFailure;
    }
}
