#include "app/cli/commands.h"

#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <set>

#include "app/cli/chosen_items.h"
#include "app/cli/exit_status.h"
#include "app/cli/item_list.h"
#include "app/cli/message_texts.h"
#include "app/cli/parser_words.h"
#include "app/cli/plugin_import.h"
#include "app/cli/plugin_warnings.h"
#include "app/cli/scheduled_run.h"
#include "app/cli/skin_folder.h"
#include "app/cli/wipe_preview.h"
#include "app/kernel/removal_report.h"
#include "app/settings/plugin_items.h"
#include "app/texts/fill_in.h"
#include "app/texts/read_only_text.h"
#include "engine/catalogue/cleaning_catalogue.h"
#include "engine/cleaners/kept_cookie_sites.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/class_table.h"
#include "engine/foundation/engine_error.h"
#include "engine/plugins/default_plugin_file.h"
#include "engine/scheduler/schedule.h"
#include "engine/shredder/free_space_wipe.h"
#include "engine/shredder/shredder.h"
#include "platform/args/argument_parser.h"
#include "platform/json/json_string.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"
#include "platform/machine/machine_lock.h"
#include "platform/sys/end_on_signal.h"
#include "platform/sys/terminal.h"
#include "platform/text/ascii_case.h"

namespace app::cli {

using platform::json::json_string;

namespace {

using platform::Refused;
using platform::Removed;

const std::set<std::string> kCommands = {"list", "preview", "clean", "shred", "wipe-free-space", "plugins"};

struct Request {
    std::string command;
    std::vector<std::string> words;  // items, paths, or the drive
    std::string machine_dir;
    std::string user;  // the profile to open on a Windows installation
    std::string profile;
    bool json = false;
    bool allow_outside = false;
    bool preview = false;  // wipe-free-space: only say what the wipe would do
    bool verbose = false;  // wipe-free-space --preview: each fill file
    bool all = false;      // plugins import: every entry, installed or not
    bool accept_warnings = false;  // clean: go on past the warnings of plug-ins, unasked
    std::vector<std::string> kept_cookie_sites;  // preview, clean: on top of the saved keep-list

    bool changes_machine() const { return command != "list" && command != "preview" && !preview; }
};

// The descriptions are message keys, looked up only when help is written.
Request parse(const std::vector<std::string>& args) {
    Request request;
    platform::args::ArgumentParser line("tavrinapp", "msg961");
    auto common = [&request](platform::args::ArgumentParser::Options& command) -> auto& {
        return command.option("--machine", "DIR", request.machine_dir, "msg962")
            .option("--user", "NAME", request.user, "msg963")
            .flag("--json", request.json, "msg978");
    };
    common(line.command("list", "msg972"));
    for (const char* name : {"preview", "clean"}) {
        const bool clean = std::string(name) == "clean";
        auto& command = common(line.command(name, clean ? "msg974" : "msg973"));
        if (clean) command.flag("--accept-warnings", request.accept_warnings, "msg979");
        command.words("ITEM...", request.words, false)
            .option("--profile", "NAME", request.profile, "msg980")
            .flag("--allow-outside-machine", request.allow_outside, "msg964")
            .repeated("--keep-cookies-from", "SITE", request.kept_cookie_sites, "msg981");
    }
    common(line.command("shred", "msg975"))
        .words("PATH...", request.words, true)
        .flag("--allow-outside-machine", request.allow_outside, "msg964");
    common(line.command("wipe-free-space", "msg976"))
        .words("DRIVE", request.words, true)
        .flag("--preview", request.preview, "msg982")
        .flag("--verbose", request.verbose, "msg983");
    common(line.command("plugins", "msg977"))
        .words("import FILE", request.words, true)
        .flag("--all", request.all, "msg984");
    request.command = line.parse(args, [&args] { return help_words(message_texts_before_opening(args)); });
    return request;
}

// Redraws one line on a watched terminal; writes nothing elsewhere.
class ProgressLine {
public:
    explicit ProgressLine(std::ostream& err) : err_(err), shown_(platform::sys::error_stream_is_terminal()) {}
    ~ProgressLine() {
        if (shown_ && drawn_) err_ << "\r\033[K" << std::flush;
    }
    void show(const std::string& text) {
        if (!shown_) return;
        err_ << "\r\033[K" << text.substr(0, 78) << std::flush;
        drawn_ = true;
    }

private:
    std::ostream& err_;
    bool shown_;
    bool drawn_ = false;
};

void require_profile(const std::string& profile) {
    if (const std::string missing = missing_profile(profile); !missing.empty()) throw CommandError(missing);
}

// The items (or the profile's ticks) run as the schedule runs them, then the plug-ins as their
// screen cleans them; each row's removals under its item's name.
void run_cleaning(const Request& request, const ChosenItems& items, ProgressLine& progress, std::ostream& err) {
    engine::Event<std::string> log;
    log.subscribe([&progress](std::string& line) { progress.show(line); });
    auto& removals = platform::current_machine().removals();
    if (!request.profile.empty()) {
        removals.set_group("profile " + request.profile);
        engine::Schedule schedule;
        schedule.Profile(request.profile);
        const engine::EventRelay<std::string> relay(schedule.AddToLog, log);
        schedule.RunSchedule();
        return;
    }
    // Warnings are asked before anything runs, while no progress line is drawn.
    const std::vector<std::string> plugin_names =
        removals.dry_run() || items.plugin_names.empty()
            ? items.plugin_names
            : after_warnings(items.plugin_names, request.accept_warnings, message_texts(), std::cin, err);
    // A category with a named item runs as its screen's Clean with those ticks: its other boxes
    // count as unticked, so a switch among them (Internet Explorer's auto-complete) turns the
    // way the screen turns it. The categories nothing was named of stay untouched.
    const auto& ticked = items.check_boxes;
    const auto named = [&](const std::string& check_box) {
        return std::find(ticked.begin(), ticked.end(), check_box) != ticked.end();
    };
    const auto category_named = [&](const std::string& check_box) {
        for (const auto& category : engine::cleaning_catalogue())
            for (const auto& item : category.items)
                if (item.variable == check_box)
                    return std::any_of(category.items.begin(), category.items.end(),
                                       [&](const engine::CatalogueItem& other) { return named(other.variable); });
        return false;
    };
    engine::run_ticks(
        engine::Unattended::NamedItems,
        [&](const std::string& check_box) { return named(check_box) ? "true" : category_named(check_box) ? "false" : ""; },
        log, [&](const engine::CatalogueItem& item) { removals.set_group(item.name); });
    if (plugin_names.empty()) return;
    auto plugins = new_plugins();
    const engine::EventRelay<std::string> relay(plugins->ShowLog, log);
    clean_named_plugins(*plugins, plugin_names);
}

std::string totals_json(const RemovalTotals& totals) {
    return "{\"files\": " + std::to_string(totals.files) + ", \"folders\": " + std::to_string(totals.folders) +
           ", \"keys\": " + std::to_string(totals.keys) + ", \"values\": " + std::to_string(totals.values) +
           ", \"entries\": " + std::to_string(totals.entries) + ", \"bytes\": " + std::to_string(totals.bytes) + "}";
}

// A JSON array of objects, one a line, as the command's output lists them.
template <class Entry, class Object>
std::string json_list(const std::vector<Entry>& entries, Object object) {
    std::string json = "[";
    for (size_t i = 0; i < entries.size(); ++i) json += std::string(i ? ",\n    " : "\n    ") + object(entries[i]);
    return json + (entries.empty() ? "]" : "\n  ]");
}

std::string removals_json(const std::vector<Removed>& removed) {
    return json_list(removed, [](const Removed& one) {
        return "{\"item\": " + json_string(one.group) + ", \"kind\": " + json_string(platform::kind_name(one.kind)) +
               ", \"path\": " + json_string(one.path) + ", \"size\": " + std::to_string(one.size) + "}";
    });
}

std::string changes_json(const std::vector<platform::Changed>& changed) {
    return json_list(changed, [](const platform::Changed& one) {
        return "{\"item\": " + json_string(one.group) + ", \"path\": " + json_string(one.path) +
               ", \"before\": " + json_string(one.before) + ", \"after\": " + json_string(one.after) + "}";
    });
}

std::string refused_json(const std::vector<Refused>& refused) {
    return json_list(refused, [](const Refused& one) {
        return "{\"item\": " + json_string(one.group) + ", \"path\": " + json_string(one.path) +
               ", \"reason\": " + json_string(one.reason) + "}";
    });
}

std::string kept_json(const std::vector<platform::Kept>& kept) {
    return json_list(kept, [](const platform::Kept& one) {
        return "{\"item\": " + json_string(one.group) + ", \"path\": " + json_string(one.path) + "}";
    });
}

// One line on standard error per refusal, whatever the output; the status that says there were any.
int report_refused(const std::vector<Refused>& refused, std::ostream& err) {
    const std::string word = refused.empty() ? std::string() : message_texts()("msg898");
    for (const auto& one : refused)
        err << "tavrinapp: " << word << (one.group.empty() ? "" : " " + one.group) << ": " << one.path << " ("
            << one.reason << ")\n";
    return refused.empty() ? exit_status::kSuccess : exit_status::kRefused;
}

// What the run removed and which settings it changed (or, previewed, would), what it refused and kept.
struct RunOutcome {
    std::vector<Removed> removed;
    std::vector<platform::Changed> changed;
    std::vector<Refused> refused;
    std::vector<platform::Kept> kept;
};

void print_removals(const Request& request, const RunOutcome& run, std::ostream& out) {
    const auto& removed = run.removed;
    if (request.json) {
        out << "{\n  \"command\": " << json_string(request.command) << ",\n  \"removals\": " << removals_json(removed)
            << ",\n  \"changes\": " << changes_json(run.changed) << ",\n  \"refused\": " << refused_json(run.refused)
            << ",\n  \"kept\": " << kept_json(run.kept)
            << ",\n  \"totals\": " << totals_json(totals_of(removed)) << "\n}\n";
        return;
    }
    const Texts texts = message_texts();
    auto lines = request.command == "preview" ? preview_lines(removed, texts, run.changed)
                                              : grouped_lines(removed, texts, run.changed);
    for (auto& line : kept_lines(run.kept, texts)) lines.push_back(std::move(line));
    for (const auto& line : lines) out << line << "\n";
    if (request.command != "preview") out << completion_text(removed, texts) << "\n";
}

int preview_or_clean(const Request& request, std::ostream& out, std::ostream& err) {
    if (request.words.empty() && request.profile.empty())
        throw CommandError(fill_in(message_texts()("msg891"), {request.command}));
    if (!request.words.empty() && !request.profile.empty())
        throw CommandError(fill_in(message_texts()("msg892"), {request.command}));
    if (!request.profile.empty()) require_profile(request.profile);
    // Named items are checked before anything runs, so a mistyped one leaves the machine alone.
    const ChosenItems items = choose_items(request.words);
    auto& machine = platform::current_machine();
    const auto mode = request.command == "preview" ? platform::RemovalLog::Mode::DryRun : platform::RemovalLog::Mode::Record;
    RunOutcome run;
    {
        ProgressLine progress(err);
        platform::Recording recording(machine, mode);
        const engine::RunKeptCookieSites kept_sites(request.kept_cookie_sites);
        run_cleaning(request, items, progress, err);
        run.removed = recording.finish();
        run.changed = machine.removals().changed();
    }
    machine.flush();
    run.refused = machine.removals().refused();
    run.kept = machine.removals().kept();
    print_removals(request, run, out);
    return report_refused(run.refused, err);
}

// A host path on one of the drives is taken as its Windows path.
std::string windows_path(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    auto found = platform::current_machine().files().to_windows(path);
    if (!found) throw CommandError(fill_in(message_texts()("msg896"), {path}));
    return *found;
}

int shred(const Request& request, std::ostream& out, std::ostream& err) {
    auto shredder = engine::create<engine::Shredder>("Shredder");
    if (!shredder) throw CommandError("the engine class Shredder is not available");
    auto& machine = platform::current_machine();
    // A refusal is noted just before its line is raised: it is reported as one, not once more
    // among the failures.
    std::vector<std::string> failures;
    size_t refusals_seen = 0;
    shredder->NotShredded.subscribe([&](std::string& reason) {
        const size_t refusals = machine.removals().refused().size();
        if (refusals == refusals_seen) failures.push_back(reason);
        refusals_seen = refusals;
    });
    ProgressLine progress(err);
    shredder->ShowLog.subscribe([&progress](std::string& name) { progress.show(name); });
    std::vector<Removed> removed;
    {
        platform::Recording recording(machine, platform::RemovalLog::Mode::Record);
        for (const auto& given : request.words) {
            const std::string path = windows_path(given);
            if (machine.files().is_directory(path)) engine::shred_folder_named_by_user(*shredder, path);
            else shredder->FileShred(path);
        }
        removed = recording.finish();
    }
    machine.flush();
    const auto refused = machine.removals().refused();
    if (request.json) {
        std::string reasons = "[";
        for (size_t i = 0; i < failures.size(); ++i) reasons += (i ? ", " : "") + json_string(failures[i]);
        out << "{\n  \"command\": \"shred\",\n  \"removals\": " << removals_json(removed) << ",\n  \"refused\": "
            << refused_json(refused) << ",\n  \"totals\": " << totals_json(totals_of(removed))
            << ",\n  \"not_shredded\": " << reasons << "]\n}\n";
    } else {
        for (const auto& one : removed) out << platform::kind_name(one.kind) << " " << one.path << "\n";
        for (const auto& reason : failures) err << "tavrinapp: " << reason << "\n";
    }
    if (const int status = report_refused(refused, err)) return status;
    return failures.empty() ? exit_status::kSuccess : exit_status::kFailure;
}

// "c", "C:", "c:\" -> "C:".
std::string drive_named(const std::string& given) {
    const bool plain = given.size() == 1 || (given.size() >= 2 && given[1] == ':' && (given.size() == 2 || given.substr(2) == "\\"));
    const char letter = given.empty() ? '?' : platform::text::ascii_upper(given[0]);
    std::string drives;
    for (const auto& root : platform::current_machine().files().drives()) {
        if (plain && root[0] == letter) return root.substr(0, 2);
        drives += (drives.empty() ? "" : ", ") + root.substr(0, 2);
    }
    throw CommandError(fill_in(message_texts()("msg893"), {given, drives}));
}

int wipe_free_space(const Request& request, std::ostream& out, std::ostream& err) {
    if (request.words.size() != 1) throw CommandError(message_texts()("msg894"));
    const std::string drive = drive_named(request.words[0]);
    if (request.preview) {
        preview_wipe(drive, request.json, request.verbose, out);
        return exit_status::kSuccess;
    }
    auto shredder = engine::create<engine::Shredder>("Shredder");
    if (!shredder) throw CommandError("the engine class Shredder is not available");
    const auto free_before = platform::current_machine().files().free_space(drive + "\\").free_bytes;
    const Texts texts = message_texts();
    // Ctrl+C or a kill ends the command at once, as before, but takes the fill files with it.
    const platform::EndOnSignal end_on_signal([] {}, std::chrono::milliseconds(0), platform::SignalEnding::AsSignalled);
    {
        ProgressLine progress(err);
        shredder->Progress.subscribe(
            [&](double& percent) { progress.show(fill_in(texts("msg897"), {drive, std::to_string(static_cast<int>(percent))})); });
        try {
            shredder->ShredFreeSpace(drive);
        } catch (const engine::EngineError& error) {
            throw CommandError(error.description());
        }
    }
    if (request.json) out << "{\"command\": \"wipe-free-space\", \"drive\": " << json_string(drive) << ", \"free_bytes\": " << free_before << "}\n";
    else out << fill_in(texts("msg806"), {drive + " (" + human_size(free_before) + ")"}) << "\n";
    return exit_status::kSuccess;
}

// The machine the command works on, held against other programs for the length of the command.
class OpenMachine {
public:
    explicit OpenMachine(const Request& request) {
        platform::MachineOptions options;
        options.allow_outside_machine = request.allow_outside;
        options.user = request.user;
        machine_ = platform::Machine::open(request.machine_dir.empty() ? platform::Machine::default_sandbox_dir()
                                                                       : std::filesystem::path(request.machine_dir),
                                           options);
        lock_ = std::make_unique<platform::MachineLock>(*machine_);
        current_.emplace(*machine_);
        // A command that would change a machine that is only read is refused before it starts,
        // rather than item by item.
        const std::optional<platform::ReadOnlyCause> read_only = machine_->read_only_cause();
        if (read_only && request.changes_machine()) throw CommandError(read_only_text(*read_only, message_texts()));
        // An installation's program folder lies outside it, in the user's data folder: the
        // commands put in what the engine reads there (its texts, the plug-in file), as a start
        // of the screens does on the other kinds; not a byte of the installation changes.
        if (machine_->is_windows_installation() && !read_only) {
            platform::install_program_folder(*machine_, skin_folder());
            engine::ignore_errors(engine::install_default_plugin_file);
        }
        if (request.changes_machine()) engine::remove_leftover_fill_files(machine_->files());
    }

private:
    std::unique_ptr<platform::Machine> machine_;
    std::unique_ptr<platform::MachineLock> lock_;
    std::optional<platform::CurrentMachineScope> current_;
};

int run(const Request& request, std::ostream& out, std::ostream& err) {
    OpenMachine machine(request);
    if (request.command == "list") {
        list_items(request.json, out);
        return exit_status::kSuccess;
    }
    if (request.command == "shred") return shred(request, out, err);
    if (request.command == "wipe-free-space") return wipe_free_space(request, out, err);
    if (request.command == "plugins") {
        if (request.words.size() != 2 || request.words[0] != "import")
            throw CommandError(message_texts()("msg895"));
        return import_plugins(request.words[1], request.all, request.json, out);
    }
    return preview_or_clean(request, out, err);
}

}  // namespace

bool is_command(const std::vector<std::string>& args) { return !args.empty() && kCommands.contains(args.front()); }

int run_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Request request;
    try {
        request = parse(args);
        return run(request, out, err);
    } catch (const platform::args::HelpRequested& help) {
        out << help.what();
        return exit_status::kSuccess;
    } catch (const std::exception& error) {
        const auto* usage = dynamic_cast<const platform::args::UsageError*>(&error);
        const std::string said = usage ? usage_error_text(*usage, message_texts_before_opening(args)) : error.what();
        const bool json = request.json || std::find(args.begin(), args.end(), "--json") != args.end();
        if (json) out << "{\"error\": " << json_string(said) << "}\n";
        else err << "tavrinapp: " << said << "\n";
        return exit_status::kFailure;
    }
}

}  // namespace app::cli
