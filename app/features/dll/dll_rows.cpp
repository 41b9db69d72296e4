#include "app/features/dll/dll_rows.h"

#include <memory>
#include <string>
#include <vector>

#include "app/features/dll/dll_backup.h"
#include "app/features/dll/dll_scan.h"
#include "app/features/dll/file_walk.h"
#include "app/kernel/run_progress.h"
#include "app/kernel/shell.h"
#include "app/stage/list_pusher.h"
#include "app/texts/fill_in.h"
#include "engine/foundation/engine_error.h"
#include "platform/machine/machine.h"
#include "platform/machine/user_environment.h"
#include "platform/text/bar_list.h"

namespace app {

using platform::text::non_empty_bar_items;
using platform::text::trim_bars;

namespace {

const Question kNoFolderNotice{"msg9", "msg31", sign::Notice};
const Question kForeignSystemQuestion{"msg11", "msg32", sign::Warning};
const Question kRemoveQuestion{"msg12", "msg33", sign::Warning};
constexpr const char* kScanFoundNotice = "msg807";  // "DLLs that no program uses: %1"
constexpr const char* kScanCancelledNotice = "msg861";
constexpr const char* kRestoredNotice = "msg867";  // "DLLs put back in their places: %1"
constexpr const char* kBackupTick = "_root.DLL_BBD";

// What the DLL cleaner's commands remember between them, for the life of the program.
struct DllCleanerScreen {
    std::string scan_folder;
    std::vector<std::string> found;  // the scan's list, less what was removed since
    bool foreign_system = false;     // kept from one scan to the next, as the search may find nothing
    bool backup_before_delete = true;  // as the tick starts without a profile
};

void set_main(Shell& shell, const std::string& name, const std::string& value) {
    shell.stage().set_variable(kMainMovie, name, value);
}

// Wine maps a drive (z:) to the host's root: walking it would read the whole host.
bool refuse_outside_machine(Shell& shell, platform::Machine& machine, const std::string& folder) {
    if (machine.files().may_modify(folder.substr(0, 2) + "\\")) return false;
    shell.message_box().ShowMsg(fill_in(shell.text("msg475"), {folder.substr(0, 2)}), shell.text("msg31"), sign::Notice,
                                buttons::One);
    return true;
}

void scan(Shell& shell, DllCleanerScreen& screen) {
    if (screen.scan_folder.empty()) {
        shell.notify(kNoFolderNotice);
        return;
    }
    platform::Machine& machine = platform::current_machine();
    if (refuse_outside_machine(shell, machine, screen.scan_folder)) return;
    set_main(shell, "_root.MakeTheGUIDisable", "true");
    findForeignSystem(machine.files(), screen.scan_folder, "kernel32.dll", platform::windows_folder(machine),
                      screen.foreign_system);
    if (screen.foreign_system && !shell.confirm(kForeignSystemQuestion)) {
        set_main(shell, "_root.MakeTheGUIDisable", "false");
        return;
    }
    size_t looked_at = 0, total = 0;
    bool cancelled = false;
    {
        RunProgress progress(shell);
        screen.found = scanDlls(shell.stage(), machine, screen.scan_folder, [&](size_t done, size_t all) {
            looked_at = done;
            total = all;
            progress.count(done, all);
        });
        cancelled = RunProgress::cancelled();
    }
    // What the scan found, not a bare "All done"; a cancelled scan offers what it found until then,
    // each a copy as surely unused as in a whole scan, and says how far it came.
    if (!cancelled) {
        shell.notify({kScanFoundNotice, "msg4", sign::Completion, std::to_string(screen.found.size())});
        return;
    }
    shell.message_box().ShowMsg(fill_in(shell.text(kScanCancelledNotice), {std::to_string(looked_at), std::to_string(total),
                                                                          std::to_string(screen.found.size())}),
                                shell.text("msg864"), sign::Completion, buttons::One);
}

// The found list without the DLLs that are gone; one that could not be removed stays offered.
void drop_removed(DllCleanerScreen& screen) {
    auto& files = platform::current_machine().files();
    std::erase_if(screen.found, [&](const std::string& dll) { return !files.exists(dll); });
}

void remove_ticked(Shell& shell, DllCleanerScreen& screen, const std::string& args) {
    if (args.empty() || !shell.confirm(kRemoveQuestion)) return;
    shell.stage().set_busy(true);
    set_main(shell, "_root.RemoveDllsNow", "true");
    logged_run(shell, [&] { CleanDLL(shell, trim_bars(args), screen.backup_before_delete); });
    drop_removed(screen);
    set_main(shell, "_root.NumberOfDllItems", "0");
    set_main(shell, "_root.RemoveDllList", "1");
    const std::vector<std::string> unticked(screen.found.size(), "false");
    push_list(shell.stage(), kMainMovie, MovieList{"DllItems", screen.found, "_root.ShowDllItems", "1", "DLLItems", unticked});
    loadRestoreList(shell);
    shell.stage().set_busy(false);
}

// The notice says how many went back; why any other did not is in the log window.
void restore_ticked(Shell& shell, const std::string& args) {
    const std::string list = trim_bars(args);
    const int not_restored = restoreDlls(shell, list);
    if (not_restored > 0) shell.log_window().show();
    const auto restored = static_cast<int>(non_empty_bar_items(list).size()) - not_restored;
    shell.notify({kRestoredNotice, "msg4", sign::Completion, std::to_string(restored)});
    loadRestoreList(shell);
}

}  // namespace

void register_dll_rows(Shell& shell) {
    auto screen = std::make_shared<DllCleanerScreen>();
    auto& rows = shell.commands();
    rows.add("IDC_FS_DLL_HD", [screen](const std::string& args) { screen->scan_folder = args; });
    rows.add("IDC_FS_DLL_BBD", [screen](const std::string& args) { screen->backup_before_delete = args == "true"; });
    rows.add("IDC_FS_DLLCLEANER", [&shell, screen](const std::string&) { scan(shell, *screen); });
    rows.add("IDC_FS_DLL", [&shell, screen](const std::string& args) { remove_ticked(shell, *screen, args); },
             Changes::Machine);
    rows.add("IDC_FS_RESTORE", [&shell](const std::string& args) { restore_ticked(shell, args); }, Changes::Machine);
    rows.add("IDC_FS_RESTORENOW", [&shell](const std::string&) { loadRestoreList(shell); });
    shell.add_load_step(LoadStep::RestoreLists, [&shell] { loadRestoreList(shell); });
    // The tick as the profile's option state put it on the screen; a value it does not know
    // leaves the choice as it was.
    shell.add_load_step(LoadStep::OptionState, [&shell, screen] {
        const std::string backup = shell.stage().get_variable(kMainMovie, kBackupTick);
        if (backup == "true" || backup == "1") screen->backup_before_delete = true;
        if (backup == "false" || backup == "0") screen->backup_before_delete = false;
    });
}

}  // namespace app
