// tavrinapp's command line: what is accepted, what is refused with which message, and which
// machine a start or an --info opens.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/cli/machine_choice.h"
#include "app/cli/options.h"
#include "platform/args/argument_parser.h"
#include "tests/unit/support/scoped_env.h"
#include "tests/unit/support/temp_folder.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace stdfs = std::filesystem;
using app::cli::Action;
using app::cli::parse_options;

using platform::args::Problem;

// What is wrong, with which option or word, and what it lacks or was given.
std::string refusal(const std::vector<std::string>& args) {
    try {
        parse_options(args);
    } catch (const platform::args::UsageError& e) {
        const char* problems[] = {"unexpected", "missing", "repeated", "bad value", "excluded", "other"};
        return std::string(problems[static_cast<int>(e.problem())]) + ": " + e.argument() +
               (e.detail().empty() ? "" : " | " + e.detail());
    }
    return "accepted";
}

TEST(CommandLine, OptionsAndTheirRefusals) {
    // --help reads the default machine's language: a stand-in data folder holds none.
    tavrin_test::TempFolder data_home;
    const tavrin_test::ScopedEnv data_home_env("XDG_DATA_HOME", data_home.path().string());
    auto plain = parse_options({});
    EXPECT_EQ(plain.action, Action::Serve);
    EXPECT_FALSE(plain.machine_given);
    EXPECT_EQ(plain.machine_dir, platform::Machine::default_sandbox_dir());

    auto given = parse_options({"--machine=/srv/m", "--port", "8080", "--no-browser", "--uninstall"});
    EXPECT_EQ(given.action, Action::Uninstall);
    EXPECT_TRUE(given.machine_given);
    EXPECT_EQ(given.machine_dir, "/srv/m");
    EXPECT_EQ(given.port, 8080);
    EXPECT_FALSE(given.open_browser);
    EXPECT_EQ(parse_options({"--info", "--help"}).action, Action::Help);

    EXPECT_EQ(refusal({"--machine", ""}), "missing: --machine | DIR");
    EXPECT_EQ(refusal({"--machine="}), "missing: --machine | DIR");
    EXPECT_EQ(refusal({"--machine"}), "missing: --machine | DIR");
    EXPECT_EQ(refusal({"--machine", "a", "--machine", "b"}), "repeated: --machine");
    EXPECT_EQ(refusal({"--info", "--uninstall"}), "excluded: --info, --uninstall, --run-schedule");
    EXPECT_EQ(refusal({"--port", "65536"}), "bad value: --port | 65536");
    EXPECT_EQ(refusal({"--port", "8o"}), "bad value: --port | 8o");
    EXPECT_EQ(refusal({"--info=maybe"}), "bad value: --info | maybe");
    EXPECT_EQ(refusal({"--infos=3", "somewhere", "else"}), "unexpected: --infos somewhere else");
    EXPECT_EQ(refusal({"--run-schedule"}), "missing: --run-schedule | --profile NAME");
    EXPECT_EQ(refusal({"--profile", "Daily"}), "missing: --profile | --run-schedule");
}

TEST(CommandLine, AMistypedMachinePathIsRefusedAndNothingIsCreated) {
    tavrin_test::TempMachine scratch;  // only for a folder of our own
    const stdfs::path typo = scratch.dir() / "no-such-folder" / "machine";
    std::string message;
    try {
        app::cli::choose_machine(parse_options({"--machine", typo.string()}));
    } catch (const platform::MachineError& e) {
        message = e.what();
    }
    EXPECT_NE(message.find("the folder " + typo.parent_path().string() + " does not exist"), std::string::npos)
        << message;
    EXPECT_FALSE(stdfs::exists(typo.parent_path()));

    // In an existing folder a new machine is made, and the start line says so; then it is used.
    const stdfs::path fresh = scratch.dir() / "fresh";
    auto made = app::cli::choose_machine(parse_options({"--machine", fresh.string()}));
    EXPECT_TRUE(made.created);
    EXPECT_EQ(app::cli::machine_line(*made.machine, made.created),
              "Created a new sandbox machine with demo traces in " + fresh.string());
    auto opened = app::cli::choose_machine(parse_options({"--machine", fresh.string() + "/"}));
    EXPECT_FALSE(opened.created);
    EXPECT_EQ(app::cli::machine_line(*opened.machine, opened.created), "Machine: " + fresh.string());
}

TEST(CommandLine, InfoAndUninstallNeverCreateAMachine) {
    tavrin_test::TempMachine scratch;
    for (const char* action : {"--info", "--uninstall"}) {
        const stdfs::path missing = scratch.dir() / "missing";
        EXPECT_THROW(app::cli::choose_machine(parse_options({action, "--machine", missing.string()})),
                     platform::MachineError)
            << action;
        EXPECT_FALSE(stdfs::exists(missing)) << action;
    }
}

}  // namespace
