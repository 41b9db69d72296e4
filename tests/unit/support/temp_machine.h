#pragma once
// A real machine in a temporary folder, made current for the engine while it lives (the machine
// that was current before is current again afterwards), removed afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/machine/machine.h"

namespace tavrin_test {

class TempMachine {
public:
    // A new sandbox machine with the program folder installed (skin from the source tree).
    explicit TempMachine(platform::MachineOptions options = {});
    ~TempMachine();
    platform::Machine& machine() { return *machine_; }
    const std::filesystem::path& dir() const { return dir_; }
    // Host path of a Windows path of this machine (the file need not exist).
    std::filesystem::path host(std::string_view windows_path) const;
    // Writes a file (creating folders) at a Windows path.
    void write_file(std::string_view windows_path, std::string_view contents) const;
    // Drops the in-memory state and opens the machine folder again (as a restarted program would);
    // the machine opened again is the current one.
    void reopen();

private:
    std::filesystem::path dir_;
    platform::MachineOptions options_;
    std::unique_ptr<platform::Machine> machine_;
    std::optional<platform::CurrentMachineScope> current_;
};

// Base for tests that need a machine: one fresh machine per test.
class MachineTest : public ::testing::Test {
protected:
    TempMachine temp;
    platform::Machine& machine() { return temp.machine(); }
};

}  // namespace tavrin_test
