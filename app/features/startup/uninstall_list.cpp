#include "app/features/startup/uninstall_list.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "app/features/startup/list_items.h"
#include "app/kernel/running_windows.h"
#include "app/kernel/shell.h"
#include "app/kernel/windows_program.h"
#include "app/texts/fill_in.h"
#include "engine/cleaners/misc_functions.h"
#include "engine/foundation/hooks.h"
#include "engine/tools/system_entries.h"
#include "platform/text/bar_list.h"

namespace app {

using platform::text::join_bars;

void push_uninstall_list(Shell& shell) {
    std::vector<std::string> names;
    for (const auto& program : engine::installed_programs()) names.push_back(shown_item(program.display_name));
    auto& stage = shell.stage();
    stage.set_variable(kMainMovie, "_root.NumberOfItems_UP", std::to_string(static_cast<long>(names.size()) - 1));
    stage.set_variable(kMainMovie, "_root.NamesOfItems_UP", join_bars(names));
}

void cleanUninstall(Shell& shell, const std::string& args) {
    const engine::BusyPointer busy;
    const auto programs = engine::installed_programs();
    auto chosen = std::find_if(programs.begin(), programs.end(), [&](const engine::InstalledProgram& program) {
        return names_entry(args, program.display_name);
    });
    if (chosen == programs.end()) return;
    // Its uninstaller belongs to the offline Windows and undoes what it did there while it runs.
    if (refused_without_running_windows(shell, {"msg1062", "msg122", sign::Notice, chosen->display_name})) return;
    if (!can_run_windows_program()) {
        shell.message_box().ShowMsg(fill_in(shell.text("msg123"), {chosen->display_name}), shell.text("msg122"),
                                    sign::Notice, buttons::One);
        return;
    }
    try {
        engine::Misc_Functions().CleanUninstall(chosen->display_name);
    } catch (const std::exception& failure) {
        // Wine that could not run it, or an entry without an uninstall command.
        shell.log_window().show();
        shell.log_window().addLogLine(failure.what());
    }
}

void register_uninstall_rows(Shell& shell) {
    shell.add_load_step(LoadStep::SystemLists, [&shell] { push_uninstall_list(shell); });
    shell.commands().add("IDC_FS_UNISTALLPROGRAMS", [&shell](const std::string& args) {
        cleanUninstall(shell, args);
        push_uninstall_list(shell);
    });
}

}  // namespace app
