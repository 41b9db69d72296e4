#include "app/features/shredder/shredder_commands.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "app/kernel/log_relay.h"
#include "app/kernel/run_progress.h"
#include "app/kernel/shell.h"
#include "app/texts/fill_in.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/class_table.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/logger.h"
#include "engine/shredder/shredder.h"
#include "platform/sys/run_cancel.h"
#include "platform/text/ascii_case.h"
#include "platform/text/bar_list.h"
#include "platform/text/split.h"
#include "platform/text/trim.h"

namespace app {

using platform::text::bar_items;
using platform::text::iequals;
using platform::text::split;
using platform::text::trim_bars;
using platform::text::trim_blanks;

namespace {

const Question kShredFilesQuestion{"msg7", "msg27", sign::Notice};
const Question kShredFoldersQuestion{"msg8", "msg28", sign::Notice};
const Question kNoDriveNotice{"msg9", "msg29", sign::Notice};

// The drive question says what a yes does to which drive: every file gone, or only the free
// space overwritten. Its title stays the one the answer is recognised by.
Question shred_drive_question(const std::string& drive, bool free_space_only) {
    std::string name(trim_blanks(drive));
    if (name.size() > 2 && name.back() == '\\') name.pop_back();  // "C:\" reads "drive C:"
    return {free_space_only ? "msg65" : "msg64", "msg29", sign::Warning, name};
}

void set_main(Shell& shell, const std::string& name, const std::string& value) {
    shell.stage().set_variable(kMainMovie, name, value);
}

// The files or folders the user added, kept only to refuse a second add of the same one. Whole
// names are compared, without regard to case as Windows names are: a name that is merely part of
// another ("C:\a" of "C:\ab") is still a different file.
class PendingList {
public:
    bool add(const std::string& name) {
        if (contains(name)) return false;
        names_.push_back(name);
        return true;
    }
    void remove(const std::string& name) {
        std::erase_if(names_, [&](const std::string& pending) { return iequals(pending, name); });
    }
    void clear() { names_.clear(); }

private:
    bool contains(const std::string& name) const {
        return std::any_of(names_.begin(), names_.end(), [&](const std::string& pending) { return iequals(pending, name); });
    }
    std::vector<std::string> names_;
};

// What the shredder screen's commands remember between them, for the life of the program.
struct ShredderScreen {
    PendingList files;
    PendingList folders;
    std::string drive;
    bool free_space_only = false;
};

// The screen takes an accepted item from these two variables, the item first.
void announce_added(Shell& shell, const char* suffix, const std::string& name) {
    set_main(shell, std::string("_root.CurrentItem_") + suffix, name);
    set_main(shell, std::string("_root.DoAdd_") + suffix, "true");
}

void add_file(Shell& shell, ShredderScreen& screen) {
    auto chosen = shell.stage().ask_open_file("All Files|*.*");
    if (!chosen || trim_blanks(*chosen).empty()) return;
    if (screen.files.add(*chosen)) announce_added(shell, "SFI", *chosen);
}

// A drive root ("C:\") is never taken: shredding it is what the drive section is for.
void add_folder(Shell& shell, ShredderScreen& screen) {
    auto chosen = shell.stage().ask_folder("");
    if (!chosen || trim_blanks(*chosen).empty() || chosen->size() <= 3) return;
    if (screen.folders.add(*chosen)) announce_added(shell, "SFO", *chosen);
}

void browse_folder(Shell& shell) {
    auto chosen = shell.stage().ask_folder("");
    if (chosen && !chosen->empty()) set_main(shell, "_root.PathValue", *chosen);
}

// "All done: 3 shredded, 1 not shredded.", or the same for a run the user cancelled.
std::string completion_text(Shell& shell, const ShredCount& count, bool cancelled) {
    return fill_in(shell.text(cancelled ? "msg808" : "msg63"), {std::to_string(count.shredded), std::to_string(count.not_shredded)});
}

// The shred of a list after its question: the list goes, the screen is told to empty its own,
// and the run ends like every logged run, with how many items went and how many did not. Cancel
// stops it before the next file; the completion line then says so.
void shred_list(Shell& shell, const Question& question, PendingList& pending, const char* done_variable,
                ShredList procedure, const std::string& args) {
    if (!shell.confirm(question)) return;
    shell.log_window().show();
    ShredCount count;
    bool cancelled = false;
    {
        const RunProgress progress(shell);
        count = procedure(shell, trim_bars(args));
        cancelled = RunProgress::cancelled();
    }
    set_main(shell, done_variable, "1");
    pending.clear();
    shell.log_window().finish_run(completion_text(shell, count, cancelled));
}

void shred_drive_after_question(Shell& shell, const ShredderScreen& screen) {
    if (trim_blanks(screen.drive).empty()) {
        shell.notify(kNoDriveNotice);
        return;
    }
    if (!shell.confirm(shred_drive_question(screen.drive, screen.free_space_only))) return;
    std::string completion;
    {
        RunProgress progress(shell);
        shell.log_window().show();
        completion = shredDrive(shell, progress, screen.drive, screen.free_space_only);
    }
    shell.log_window().finish_run(completion);
}

// A size bound as the screen sends it: a decimal number, blanks around it allowed.
std::optional<double> megabytes(const std::string& text) {
    std::string number(trim_blanks(text));
    if (number.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
    return value;
}

// The free-space wipe, which Cancel may stop between two fill files: the wipe then removes what it
// wrote, and the completion line in the log window says it was cancelled and how far it had come.
std::string wipe_free_space(Shell& shell, RelayedShredder& sh, RunProgress& progress, const std::string& drive) {
    const std::string name = drive.substr(0, 2);
    const engine::EventRelay<double> relay(sh->Progress, [&progress](double& percent) { progress.percent(percent); });
    try {
        sh->ShredFreeSpace(drive);
        return fill_in(shell.text("msg806"), {name});
    } catch (const platform::RunCancelled&) {
        return fill_in(shell.text("msg804"), {name, std::to_string(progress.shown_percent())});
    } catch (const std::exception& error) {
        shell.log_window().addLogLine(error.what());
        return shell.text("msg4");
    }
}

}  // namespace

ShredCount shredFiles(Shell& shell, const std::string& list) {
    RelayedShredder sh(shell);
    for (const auto& file : bar_items(list)) {
        if (platform::run_cancel_requested()) break;
        sh.item(file, [&] { sh->FileShred(file); });
    }
    return sh.count();
}

// A folder the screens never take (a drive root, the Windows or program folder, ...) is refused
// here too: the list comes from the page, which may name anything.
ShredCount shredFolders(Shell& shell, const std::string& list) {
    RelayedShredder sh(shell);
    for (const auto& folder : bar_items(list)) {
        if (platform::run_cancel_requested()) break;
        sh.item(folder, [&] { engine::shred_folder_named_by_user(*sh, folder); });
    }
    return sh.count();
}

// A failed free-space wipe is shown in the log window: the run's completion notice must not be
// the only thing the user hears of it. A whole drive is one item of the shred's count.
std::string shredDrive(Shell& shell, RunProgress& progress, const std::string& drive, bool free_space_only) {
    RelayedShredder sh(shell);
    engine::ignore_errors([&] { set_main(shell, "_root.ProgressBarState", "1"); });
    std::string completion;
    if (free_space_only) {
        completion = wipe_free_space(shell, sh, progress, drive);
    } else {
        double largest = 0, smallest = 0;
        sh.item(drive, [&] { sh->FolderShred(drive, false, "*", true, largest, smallest); });
        completion = completion_text(shell, sh.count(), RunProgress::cancelled());
    }
    engine::ignore_errors([&] { set_main(shell, "_root.ProgressBarState", "0"); });
    return completion;
}

void Delete(Shell& shell, const std::string& options) {
    auto positions = split(options, ',');
    if (positions.size() < 4) return;
    auto largest = megabytes(positions[2]);
    auto smallest = megabytes(positions[3]);
    if (!largest || !smallest) return;
    std::string folder = shell.stage().get_variable(kMainMovie, "_root.PathValue");
    std::string type = shell.stage().get_variable(kMainMovie, "_root.FileTypeValue");
    // Not the main window's `sh`: these files are not listed in the log window one by one, but
    // what could not be shredded is.
    auto shredder = new_shredder();
    NotShreddedRelay failures(shell, shredder->NotShredded);
    shredder->FolderShred(folder, true, type, false, *largest, *smallest);
}

ShredList shred_list_of(std::string_view command) {
    if (iequals(command, "IDC_FS_SHREDFILES")) return shredFiles;
    if (iequals(command, "IDC_FS_SHREDFOLDERS")) return shredFolders;
    return nullptr;
}

void register_shredder_rows(Shell& shell) {
    auto screen = std::make_shared<ShredderScreen>();
    auto& rows = shell.commands();
    rows.add("IDC_FS_HD_BROWSE", [&shell](const std::string&) { browse_folder(shell); });
    rows.add("IDC_FS_ADDFILETOSHRED", [&shell, screen](const std::string&) { add_file(shell, *screen); });
    rows.add("IDC_FS_ADDFOLDERSTOSHRED", [&shell, screen](const std::string&) { add_folder(shell, *screen); });
    rows.add("IDC_FS_SHREDFILESDEL", [screen](const std::string& args) { screen->files.remove(args); });
    rows.add("IDC_FS_SHREDFOLDERSDEL", [screen](const std::string& args) { screen->folders.remove(args); });
    rows.add("IDC_FS_SHREDFILES", [&shell, screen](const std::string& args) {
        shred_list(shell, kShredFilesQuestion, screen->files, "shred_SFI_Now", shredFiles, args);
    }, Changes::Machine);
    rows.add("IDC_FS_SHREDFOLDERS", [&shell, screen](const std::string& args) {
        shred_list(shell, kShredFoldersQuestion, screen->folders, "shred_SFO_Now", shredFolders, args);
    }, Changes::Machine);
    rows.add("IDC_FS_SH_SFSO", [screen](const std::string& args) {
        if (args == "true") screen->free_space_only = true;
        else if (args == "false") screen->free_space_only = false;
    });
    rows.add("IDC_FS_HD_SHRED", [screen](const std::string& args) { screen->drive = args; });
    rows.add("IDC_FS_SHREDDRIVE", [&shell, screen](const std::string&) { shred_drive_after_question(shell, *screen); },
             Changes::Machine);
    rows.add("IDC_FS_DELETE", [&shell](const std::string& args) {
        logged_run(shell, [&] { Delete(shell, args); });
    }, Changes::Machine);
}

}  // namespace app
