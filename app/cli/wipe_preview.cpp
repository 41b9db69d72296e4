#include "app/cli/wipe_preview.h"

#include "app/cli/chosen_items.h"
#include "app/cli/message_texts.h"
#include "app/kernel/removal_report.h"
#include "app/texts/fill_in.h"
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
    const Texts texts = message_texts();
    uint64_t total = 0;
    for (const auto& file : plan.files) total += file.length;
    const std::string named = drive + "\\" + plan.files.front().name +
                              (plan.files.size() > 1 ? " - " + drive + "\\" + plan.files.back().name : "");
    std::string plan_line = fill_in(texts("msg880"), {drive, human_size(plan.free_bytes), std::to_string(plan.free_bytes),
                                                      counted(plan.files.size(), "msg881", texts), human_size(total), named});
    if (verbose && plan_line.ends_with('.')) plan_line.back() = ':';
    out << plan_line << "\n";
    if (verbose)
        for (const auto& file : plan.files)
            out << "  " << drive << "\\" << file.name << "  " << human_size(file.length) << "\n";
    out << fill_in(texts("msg882"), {human_size(engine::kWipeChunkLength), drive + "\\TmpShred." + std::to_string(plan.next_chunk),
                                     human_size(plan.capacity)})
        << "\n" << texts("msg883") << "\n";
}

}  // namespace

void preview_wipe(const std::string& drive, bool json, bool verbose, std::ostream& out) {
    const engine::WipePlan plan = checked_plan(drive + "\\");
    if (json) print_json(drive, plan, out);
    else print_words(drive, plan, verbose, out);
}

}  // namespace app::cli
