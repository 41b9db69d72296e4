#include "app/kernel/windows_program.h"

#include "app/kernel/shell.h"
#include "app/texts/fill_in.h"
#include "engine/foundation/hooks.h"
#include "platform/machine/machine.h"
#include "platform/shell/wine_program.h"

namespace app {

bool can_run_windows_program(const std::string& system_file) {
    auto& machine = platform::current_machine();
    return platform::shell::wine_runs(machine) &&
           (system_file.empty() || platform::shell::has_system_file(machine, system_file));
}

bool run_windows_program(Shell& shell, const std::vector<std::string>& command_line) {
    try {
        engine::BusyPointer busy;
        int status = platform::shell::run_under_wine(platform::current_machine(), command_line);
        if (status == 0) return true;
        shell.log_window().show();
        shell.log_window().addLogLine(fill_in(shell.text("msg476"), {command_line.front(), std::to_string(status)}));
        return false;
    } catch (const std::exception& error) {
        shell.log_window().show();
        shell.log_window().addLogLine(error.what());
        return false;
    }
}

}  // namespace app
