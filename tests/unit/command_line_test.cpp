// tavrinapp's command line: what is accepted, what is refused with which message, and which
// machine a start or an --info opens.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/cli/machine_choice.h"
#include "app/cli/options.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace stdfs = std::filesystem;
using app::cli::Action;
using app::cli::parse_options;

std::string refusal(const std::vector<std::string>& args) {
    try {
        parse_options(args);
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "accepted";
}

TEST(CommandLine, OptionsAndTheirRefusals) {
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

    EXPECT_EQ(refusal({"--machine", ""}), "--machine needs a folder; an empty name names none");
    EXPECT_NE(refusal({"--machine="}).find("--machine"), std::string::npos);
    EXPECT_NE(refusal({"--info", "--uninstall"}).find("cannot be given together"), std::string::npos);
    EXPECT_NE(refusal({"--machine"}).find("--machine"), std::string::npos);
    EXPECT_NE(refusal({"--port", "65536"}).find("--port needs a number"), std::string::npos);
    EXPECT_NE(refusal({"--infos"}).find("--infos"), std::string::npos);
    EXPECT_NE(refusal({"somewhere"}).find("somewhere"), std::string::npos);
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
