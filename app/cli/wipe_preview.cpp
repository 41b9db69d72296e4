#include "app/cli/wipe_preview.h"

#include "app/cli/chosen_items.h"
#include "app/kernel/removal_report.h"
#include "engine/shredder/free_space_wipe.h"
#include "platform/fs/fs.h"
#include "platform/json/json_string.h"
#include "platform/machine/machine.h"

namespace app::cli {

using platform::json::json_string;

namespace {

// The plan, after the first fill file was opened as the wipe opens it but in a dry run: a drive
// the wipe may not write on (outside the machine, read-only) is refused the same way.
engine::WipePlan checked_plan(const std::string& root) {
    auto& machine = platform::current_machine();
    try {
        engine::WipePlan plan = engine::plan_wipe(machine.files(), root);
        platform::Recording dry_run(machine, platform::RemovalLog::Mode::DryRun);
        machine.files().open(root + plan.files.front().name, platform::fs::File::Mode::CreateAlways).close();
        dry_run.finish();
        return plan;
    } catch (const platform::fs::FsError& error) {
        throw CommandError(error.what());
    }
}

void print_json(const std::string& drive, const engine::WipePlan& plan, std::ostream& out) {
    out << "{\n  \"command\": \"wipe-free-space\",\n  \"preview\": true,\n  \"drive\": " << json_string(drive)
        << ",\n  \"free_bytes\": " << plan.free_bytes << ",\n  \"capacity_bytes\": " << plan.capacity
        << ",\n  \"fill_files\": [";
    for (size_t i = 0; i < plan.files.size(); ++i)
        out << (i ? ",\n    " : "\n    ") << "{\"path\": " << json_string(drive + "\\" + plan.files[i].name)
            << ", \"size\": " << plan.files[i].length << "}";
    out << "\n  ],\n  \"further_file_size\": " << engine::kWipeChunkLength << "\n}\n";
}

// The fill files as a count and their total; each one only when asked: a large drive has thousands.
void print_words(const std::string& drive, const engine::WipePlan& plan, bool verbose, std::ostream& out) {
    const std::string chunk = human_size(engine::kWipeChunkLength);
    uint64_t total = 0;
    for (const auto& file : plan.files) total += file.length;
    out << "A wipe of " << drive << " would fill its " << human_size(plan.free_bytes) << " of free space ("
        << plan.free_bytes << " bytes) with " << plan.files.size()
        << (plan.files.size() == 1 ? " fill file" : " fill files") << " of " << human_size(total) << " in all ("
        << drive << "\\" << plan.files.front().name
        << (plan.files.size() > 1 ? " to " + drive + "\\" + plan.files.back().name : "")
        << "), then flush and delete them" << (verbose ? ":" : ".") << "\n";
    if (verbose)
        for (const auto& file : plan.files)
            out << "  " << drive << "\\" << file.name << "  " << human_size(file.length) << "\n";
    out << "While the drive takes more than it reported, further files of " << chunk << " follow (" << drive
        << "\\TmpShred." << plan.next_chunk << ", ...), up to its capacity of " << human_size(plan.capacity)
        << ".\nNothing was written.\n";
}

}  // namespace

void preview_wipe(const std::string& drive, bool json, bool verbose, std::ostream& out) {
    const engine::WipePlan plan = checked_plan(drive + "\\");
    if (json) print_json(drive, plan, out);
    else print_words(drive, plan, verbose, out);
}

}  // namespace app::cli
