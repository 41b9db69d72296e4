#pragma once
// The whole program on a real temporary machine, its screens replaced by a recording stage, the
// engine's hooks wired to it as the program wires them.
#include <string>

#include "app/kernel/host_wiring.h"
#include "app/program/program.h"
#include "platform/machine/install.h"
#include "tests/unit/support/recording_stage.h"
#include "tests/unit/support/temp_machine.h"

namespace tavrin_test {

class ProgramTest : public MachineTest {
protected:
    RecordingStage stage;
    app::Program program{stage, {platform::kProgramFolder, "tavrinapp", 2, 1, 7}};
    app::HostWiring wiring{program.shell()};

    app::Shell& shell() { return program.shell(); }
    std::string text(const std::string& key) { return shell().text(key); }
    // A command of the main movie, as the page sends it.
    void command(const std::string& name, const std::string& args = "") { stage.send(app::kMainMovie, name, args); }
    std::string main_var(const std::string& name) const { return stage.get_variable(app::kMainMovie, name); }
};

}  // namespace tavrin_test
