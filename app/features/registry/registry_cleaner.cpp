#include "app/features/registry/registry_cleaner.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/kernel/log_relay.h"
#include "app/kernel/run_progress.h"
#include "app/kernel/shell.h"
#include "app/stage/list_pusher.h"
#include "engine/foundation/class_table.h"
#include "engine/foundation/cregistry.h"
#include "app/texts/fill_in.h"
#include "engine/regcleaner/backup_store.h"
#include "engine/regcleaner/entry_reason.h"
#include "engine/regcleaner/reg_cleaner.h"
#include "engine/regcleaner/registry_copy.h"
#include "engine/regcleaner/registry_entry.h"
#include "platform/text/ascii_case.h"
#include "platform/text/bar_list.h"

namespace app {

using platform::text::bar_items;
using platform::text::contains_ignoring_case;
using platform::text::join_bars;
using platform::text::non_empty_bar_items;
using platform::text::trim_bars;

namespace {

// The repair keeps a backup of each entry, so the question says how to put one back.
const Question kRepairQuestion{"msg835", "msg30", sign::Warning};
// How many invalid entries a scan found, or found until the user cancelled it.
const Question kScanFoundNotice{"msg862", "msg4", sign::Completion};
const Question kScanCancelledNotice{"msg863", "msg864", sign::Completion};
constexpr const char* kNoErrors = "...No Errors...";

void set_main(Shell& shell, const std::string& name, const std::string& value) {
    shell.stage().set_variable(kMainMovie, name, value);
}

// The found registry-problem list: exactly what the last scan delivered, less what was repaired.
struct RegistryScreen {
    std::string found;
};

// Each reason's text; %1 is the missing file.
std::string reason_text(Shell& shell, const engine::regcleaner::EntryReason& reason) {
    using engine::regcleaner::InvalidBecause;
    switch (reason.because) {
        case InvalidBecause::SharedFileMissing: return fill_in(shell.text("msg830"), {reason.target});
        case InvalidBecause::UninstallerMissing: return fill_in(shell.text("msg831"), {reason.target});
        case InvalidBecause::NoUninstaller: return shell.text("msg832");
        case InvalidBecause::ProgramMissing: return fill_in(shell.text("msg833"), {reason.target});
        case InvalidBecause::RecentFileMissing: return fill_in(shell.text("msg834"), {reason.target});
    }
    return "";
}

// The entries as the scan wrote them (what the page sends back to repair), with what a person
// reads: the key or value, and why it is invalid.
void show_found(Shell& shell, const std::vector<std::string>& entries) {
    MovieList list{"RegItems", entries};
    for (const std::string& entry : entries) {
        auto parsed = engine::regcleaner::parse_entry(entry);
        auto reason = parsed ? engine::regcleaner::reason_for(*parsed) : std::nullopt;
        list.labels.push_back(parsed ? engine::regcleaner::readable_entry(*parsed) : entry);
        list.notes.push_back(reason ? reason_text(shell, *reason) : "");
    }
    push_list(shell.stage(), kMainMovie, list);
}

// The main window's reg_clean: a new Reg_Cleaner for one call, whose finds reach the screen and
// whose log lines reach the log window while it lives.
class RegClean {
public:
    RegClean(Shell& shell, RegistryScreen& screen)
        : cleaner_(created()),
          finds_(cleaner_->FoundError, [&shell](std::string& path) { show_found(shell, {path}); }),
          completed_(cleaner_->Completed, [&shell, &screen](std::string& result) { completed(shell, screen, result); }),
          log_(cleaner_->ShowLog, [&shell](std::string& line) {
              shell.log_window().show();
              shell.log_window().addLogLine(line);
          }) {}
    engine::Reg_Cleaner* operator->() { return cleaner_.get(); }

private:
    static std::shared_ptr<engine::Reg_Cleaner> created() {
        auto cleaner = engine::create<engine::Reg_Cleaner>("Reg_Cleaner");
        if (!cleaner) throw std::runtime_error("The engine class Reg_Cleaner is not available.");
        return cleaner;
    }
    static void completed(Shell& shell, RegistryScreen& screen, const std::string& result) {
        screen.found = result;
        if (!trim_bars(result).empty()) {
            show_found(shell, bar_items(result));
            return;
        }
        set_main(shell, "_root.NumberOfRegItems", "0");
        set_main(shell, "_root.NamesOfRegItems", kNoErrors);
        set_main(shell, "_root.ShowRegItems", "true");
    }

    std::shared_ptr<engine::Reg_Cleaner> cleaner_;
    // After the cleaner, so that they end first.
    engine::EventRelay<std::string> finds_, completed_;
    LogRelay log_;
};

// The screen tells a scan's finds, shown one by one, from the list it ends with by this flag. The
// scan ends with a notice of how many entries it found; a scan the user cancelled lists what it
// had found until then, each entry as surely invalid as in a whole scan, and says it stopped.
void scan(Shell& shell, RegistryScreen& screen) {
    set_main(shell, "_root.RegScanRunning", "1");
    bool cancelled = false;
    try {
        RunProgress progress(shell);
        RegClean reg(shell, screen);
        const engine::EventRelay<double> pace(reg->Progress, [&progress](double& percent) { progress.percent(percent); });
        reg->ScanRegistry();
        cancelled = RunProgress::cancelled();
    } catch (...) {
        set_main(shell, "_root.RegScanRunning", "0");
        throw;
    }
    set_main(shell, "_root.RegScanRunning", "0");
    Question notice = cancelled ? kScanCancelledNotice : kScanFoundNotice;
    notice.subject = std::to_string(non_empty_bar_items(screen.found).size());
    shell.notify(notice);
}

// An entry leaves the list when what it names is gone from the registry; one the repair had to
// keep (a key with subkeys, a backup that failed) stays offered. Whole entries leave: a repaired
// "...\Uninstall\Game" must not cut the text out of "...\Uninstall\Game Pack" that stays.
void drop_if_repaired(RegistryScreen& screen, const std::string& entry) {
    auto parsed = engine::regcleaner::parse_entry(entry);
    if (!parsed || engine::regcleaner::entry_in_registry(*parsed)) return;
    std::vector<std::string> left = non_empty_bar_items(screen.found);
    std::erase(left, entry);
    screen.found = left.empty() ? "" : "|" + join_bars(left);
}

void repair(Shell& shell, RegistryScreen& screen, const std::string& args) {
    if (args.empty() || contains_ignoring_case(args, "NO ERRORS")) return;
    if (!shell.confirm(kRepairQuestion)) return;
    logged_run(shell, [&] {
        RegClean reg(shell, screen);
        for (std::string entry : non_empty_bar_items(args)) {
            reg->CleanRegistry(entry);
            drop_if_repaired(screen, entry);
        }
        initRestoreReg(shell);
        show_found(shell, non_empty_bar_items(screen.found));
    });
}

// What was put back, and any backup that could not be, is said in the log window.
void restore(Shell& shell, RegistryScreen& screen, const std::string& args) {
    {
        RegClean reg(shell, screen);
        std::string names = args;
        reg->RestoreReg(names);
    }
    initRestoreReg(shell);
}

}  // namespace

void initRestoreReg(Shell& shell) {
    std::string joined;
    for (const std::string& name : engine::regcleaner::backup_names()) joined += "|" + name;
    // Every double bar once made single, left to right, as a text replacement does it.
    std::string text;
    for (size_t i = 0; i < joined.size(); ++i) {
        text += joined[i];
        if (joined.compare(i, 2, "||") == 0) ++i;
    }
    std::vector<std::string> pieces = bar_items(text);
    push_list(shell.stage(), kMainMovie, MovieList{"RegItems_Restore", pieces, "_root.ShowRegItems_restore", "1"});
}

void register_registry_rows(Shell& shell) {
    auto screen = std::make_shared<RegistryScreen>();
    auto& rows = shell.commands();
    rows.add("IDC_FS_SCAN_REG", [&shell, screen](const std::string&) { scan(shell, *screen); });
    rows.add("IDC_FS_RESTOREBACK", [&shell, screen](const std::string&) { scan(shell, *screen); });
    rows.add("IDC_FS_CLEAN_REG", [&shell, screen](const std::string& args) { repair(shell, *screen, args); },
             Changes::Machine);
    rows.add("IDC_FS_RESTOREREG", [&shell, screen](const std::string& args) { restore(shell, *screen, args); },
             Changes::Machine);
    rows.add("IDC_FS_RESTORREGLIST", [&shell](const std::string&) { initRestoreReg(shell); });
    shell.add_load_step(LoadStep::RestoreLists, [&shell] { initRestoreReg(shell); });
}

}  // namespace app
