#include "app/features/options/options_rows.h"

#include <functional>
#include <string>

#include "app/kernel/log_relay.h"
#include "app/kernel/option_state.h"
#include "app/kernel/shell.h"
#include "app/settings/option_list.h"
#include "engine/cleaners/misc_functions.h"

namespace app {

namespace {

// The six tweaks of the options screen, in the order the list names them: each switched on or
// off, or left alone when its position is neither. A tweak that fails is reported and the others
// still run, so the completion notice never hides a failure.
void ApplyOptions(Shell& shell, const std::string& list) {
    OptionList options(list);
    engine::Misc_Functions misc;
    // Each registry value a tweak removes is a line of the log window, as in every other run.
    LogRelay removals(misc.ShowLog, [&shell](std::string& line) {
        shell.log_window().show();
        shell.log_window().addLogLine(line);
    });
    std::string program_path = shell.program().folder + "\\" + shell.program().file_name + ".EXE";
    const std::function<void(bool)> tweaks[] = {
        [&](bool on) { misc.LoadOnStartUp(on, program_path); },
        [&](bool on) { misc.BootFaster(on); },
        [&](bool on) { misc.EnableAutomaticSharing(on); },
        [&](bool on) { misc.EnableBalloons(on); },
        [&](bool on) { misc.FlatWindows(on); },
        [&](bool on) { misc.Optimize_HardDisk_when_idle(on); },
    };
    for (size_t position = 0; position < std::size(tweaks); ++position) {
        auto setting = options.setting(position);
        if (!setting) continue;
        try {
            tweaks[position](*setting);
        } catch (const std::exception& error) {
            shell.log_window().show();
            shell.log_window().addLogLine(error.what());
        }
    }
}

}  // namespace

void register_options_rows(Shell& shell) {
    // Two steps: a failing tick restore must not keep the buttons from theirs.
    shell.add_load_step(LoadStep::OptionState, [&shell] { restore_check_boxes(shell); });
    shell.add_load_step(LoadStep::OptionState, [&shell] { restore_buttons(shell); });
    shell.commands().add("IDC_FS_OPT", [&shell](const std::string& args) {
        ApplyOptions(shell, args);
        shell.notify_completion();
    }, Changes::Machine);
}

}  // namespace app
