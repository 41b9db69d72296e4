#pragma once
// The refusal to open a Windows installation that holds several user profiles when none was
// named. It carries their folder names, so that the screens can offer the very list the command
// line prints.
#include <string>
#include <vector>

#include "platform/machine/machine.h"

namespace platform {

class SeveralProfiles : public MachineError {
public:
    SeveralProfiles(const std::string& message, std::vector<std::string> names)
        : MachineError(message), names_(std::move(names)) {}
    // In the order the message names them.
    const std::vector<std::string>& names() const { return names_; }

private:
    std::vector<std::string> names_;
};

}  // namespace platform
