// The members of Misc_Functions that start a Windows program of the machine. A program runs only
// under Wine for a machine that is a Wine prefix; its command line is taken apart as Windows does
// and never handed to a shell, and a Windows path never names a host program.
#include <algorithm>

#include "engine/cleaners/misc_functions.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/message_text.h"
#include "engine/tools/system_entries.h"
#include "platform/machine/machine.h"
#include "platform/shell/command_line.h"
#include "platform/shell/wine_program.h"
#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"

namespace engine {

using platform::text::iequals;

namespace {

constexpr const char* kSource = "Tavrin.Misc_Functions";

int run_command(std::vector<std::string> command_line) {
    if (command_line.empty() || command_line.front().empty())
        throw EngineError(errors::kFileNotFound, kSource, "There is no program to start.");
    auto& machine = platform::current_machine();
    if (platform::shell::starts_outside_machine(machine, command_line.front()))
        throw EngineError(errors::kPermissionDenied, kSource, GetMessageText("msg426") + " " + command_line.front());
    return platform::shell::run_under_wine(machine, command_line);
}

bool starts_quoted(const std::string& command) {
    return platform::text::trim_leading(command, " \t").starts_with('"');
}

}  // namespace

Variant Misc_Functions::RunProgram(const std::string& ProgramName) {
    run_command(platform::shell::split_command_line(ProgramName));
    return {};
}

// A quoted uninstaller starts without the switches after it (they often ask for a silent
// removal the user did not choose); an unquoted command keeps its arguments, which is how
// "RunDll32 x.dll,Uninstall" and "MsiExec.exe /X{...}" name what to remove.
void Misc_Functions::CleanUninstall(const std::string& args) {
    const auto programs = installed_programs();
    auto chosen = std::find_if(programs.begin(), programs.end(),
                               [&](const InstalledProgram& program) { return iequals(program.display_name, args); });
    if (chosen == programs.end()) return;
    auto command_line = platform::shell::split_command_line(chosen->uninstall_command);
    if (command_line.empty())
        throw EngineError(errors::kFileNotFound, kSource, chosen->display_name + " has no uninstall command.");
    if (starts_quoted(chosen->uninstall_command)) command_line.resize(1);
    run_command(std::move(command_line));
}

}  // namespace engine
