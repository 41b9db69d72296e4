#include "app/features/cleaning/preview_rows.h"

#include "app/features/cleaning/preview_list.h"
#include "app/features/shredder/shredder_commands.h"
#include "app/kernel/removal_report.h"
#include "app/stage/list_pusher.h"
#include "engine/catalogue/cleaning_catalogue.h"
#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"
#include "platform/text/bar_list.h"
#include "platform/text/trim.h"

namespace app {

using platform::text::iequals;
using platform::text::to_upper;
using platform::text::trim_bars;
using platform::text::trim_blanks;

namespace {

constexpr const char* kCleanPlugins = "IDC_FS_CLEANPLUGIN";

// The clean commands run as their buttons run them. A shredder list's row would ask first and
// then tell the page its list is done with: its procedure runs alone.
void run_for_preview(Shell& shell, const std::string& command, const std::string& args) {
    if (const ShredList shred = shred_list_of(command)) shred(shell, trim_bars(args));
    else shell.commands().dispatch(command, args);
}

void preview(Shell& shell, const std::string& args) {
    const size_t bar = args.find('|');
    const std::string command = to_upper(trim_blanks(std::string_view(args).substr(0, bar)));
    const std::string command_args = bar == std::string::npos ? std::string() : args.substr(bar + 1);
    if (!previewable(command)) return;  // as the dispatcher treats a command it does not know
    DryRun run;
    {
        LogWindow::Silence quiet(shell.log_window());
        platform::Recording dry_run(platform::current_machine(), platform::RemovalLog::Mode::DryRun);
        run_for_preview(shell, command, command_args);
        run.removed = dry_run.finish();
        run.kept = platform::current_machine().removals().kept();
        run.changed = platform::current_machine().removals().changed();
    }
    const Texts texts = [&shell](std::string_view key) { return shell.language().text(key); };
    Stage& stage = shell.stage();
    stage.set_variable(kMainMovie, "_root.PreviewHeading", texts(shred_list_of(command) ? kShredPreviewHeading : kCleanPreviewHeading));
    stage.set_variable(kMainMovie, "_root.PreviewTotal", preview_total(run, texts));
    stage.set_variable(kMainMovie, "_root.PreviewCommand", command + "|" + command_args);
    push_list(stage, kMainMovie, MovieList{"PreviewRows", preview_list(run, texts)});
}

}  // namespace

bool previewable(std::string_view command) {
    return iequals(command, kCleanPlugins) || shred_list_of(command) || engine::catalogue_category_of_command(command);
}

void register_preview_rows(Shell& shell) {
    shell.commands().add("IDC_FS_PREVIEW", [&shell](const std::string& args) { preview(shell, args); });
}

}  // namespace app
