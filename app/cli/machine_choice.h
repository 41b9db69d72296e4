#pragma once
// Which machine a start works on, and the line that tells the user.
#include <memory>
#include <string>

#include "app/cli/options.h"
#include "platform/machine/machine.h"

namespace app::cli {

struct ChosenMachine {
    std::unique_ptr<platform::Machine> machine;
    bool created = false;  // a new sandbox machine was made for this start
};

// Serving opens the machine, or creates a sandbox machine in a missing or empty folder. A folder
// the user named must sit in an existing folder: a mistyped path is refused, not turned into a
// new machine. Every other action only opens an existing machine and creates nothing.
ChosenMachine choose_machine(const Options& options);

// "Machine: DIR" or "Created a new sandbox machine with demo traces in DIR".
std::string machine_line(const platform::Machine& machine, bool created);

}  // namespace app::cli
