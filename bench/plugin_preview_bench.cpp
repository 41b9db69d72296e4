// How long the preview of every winapp2.ini entry that detects on the demo machine takes, against
// three runs of `du -s` over the folders those entries name, in rounds that alternate the two
// sides, as the machine may be busy. The real rule file is imported onto a fresh demo machine
// first, with detection, as a user would. The preview walks the folders the entries name, checks
// each file against masks and exclusions and lists it with its size: `du` is the least that can
// cost. Target: the preview within the three du runs (ratio 1 at most).
// Usage: plugin_preview_bench [--rules FILE] [--rounds N]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/settings/plugin_items.h"
#include "bench/side_by_side.h"
#include "engine/plugins/plugins.h"
#include "engine/plugins/rule_folders.h"
#include "engine/plugins/rule_keys.h"
#include "engine/plugins/rule_variables.h"
#include "platform/machine/machine.h"
#include "tests/unit/support/corpora.h"
#include "tests/unit/support/running_program.h"

namespace {

namespace fs = std::filesystem;

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The host folders the plug-in's file keys name on the current machine, as the clean finds them.
void add_named_folders(const engine::Plugin& plugin, const engine::RuleVariables& variables,
                       engine::RuleFolders& rule_folders, std::set<fs::path>& folders) {
    const auto& files = platform::current_machine().files();
    for (const auto& key : plugin.FileKeys) {
        const auto rule = engine::parse_file_rule(key).key;
        if (!rule) continue;
        for (const auto& pattern : variables.expand(rule->folder).paths)
            for (const auto& folder : rule_folders.matching(pattern))
                if (auto host = files.to_host(folder)) folders.insert(*host);
    }
}

}  // namespace

int main(int argc, char** argv) {
    fs::path rules = tavrin_test::corpus_file("winapp2/Winapp2.ini").value_or("");
    int rounds = 9;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rules") rules = argv[++i];
        else if (arg == "--rounds") rounds = std::stoi(argv[++i]);
    }
    if (rules.empty()) {
        std::printf("SKIP: no winapp2.ini beside the repository: give one with --rules FILE\n");
        return 0;
    }
    const fs::path dir = fs::temp_directory_path() / "tavrin-plugin-preview-bench";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path machine_dir = dir / "machine";
    { tavrin_test::RunningProgram plants_demo_traces(machine_dir); }
    const std::string import = quoted(tavrin_test::RunningProgram::binary()) + " plugins import " + quoted(rules) +
                               " --machine " + quoted(machine_dir) + " >/dev/null";
    if (std::system(import.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", import.c_str());
        return 1;
    }

    auto machine = platform::Machine::open(machine_dir, {});
    std::optional<platform::CurrentMachineScope> current;
    current.emplace(*machine);
    std::vector<std::string> names;
    std::set<fs::path> folders;
    const engine::RuleVariables variables;
    engine::RuleFolders rule_folders;
    for (const auto& plugin : app::loaded_plugins()) {
        if (plugin.Source.empty() || !plugin.Exists) continue;
        names.push_back(plugin.Name);
        add_named_folders(plugin, variables, rule_folders, folders);
    }
    std::string du = "du -s";
    for (const auto& folder : folders) du += " " + quoted(folder);
    du += " >/dev/null";
    du = du + " && " + du + " && " + du;

    engine::Plugins plugins;
    size_t listed = 0;
    const auto preview = [&] {
        platform::Recording recording(*machine, platform::RemovalLog::Mode::DryRun);
        app::clean_named_plugins(plugins, names);
        listed = recording.finish().size();
    };
    int status = 0;
    const auto three_du = [&] { status |= std::system(du.c_str()); };
    const bench::SideBySide result = bench::side_by_side(rounds, preview, three_du);

    current.reset();
    machine.reset();
    fs::remove_all(dir);
    const double ratio = bench::median(result.ratios);
    std::printf("preview of the %zu detected entries of %s: median %.4f s, %zu entries listed\n", names.size(),
                rules.filename().c_str(), bench::median(result.measured), listed);
    std::printf("3x du -s of the %zu folders they name: median %.4f s (exit %d)\n", folders.size(),
                bench::median(result.baseline), status);
    std::printf(
        "ratio (wall) median %.2f (target: 1 at most)%s; ratio (processor) median %.2f; %d rounds; load average %s\n",
        ratio, ratio <= 1 ? "" : " ABOVE TARGET", bench::median(result.processor_ratios), rounds,
        bench::load_average().c_str());
    return status != 0 || names.empty();
}
