// The preview of a busy browser's cache: the Internet Explorer run with the cache item ticked
// over a dry run of 20,000 cache entries of 1-16 KB, against `du -s` of the same files, the two
// alternating over several rounds. The preview walks what a clean walks and lists every file with
// its size, so `du` is the least it can cost. Target: within 2 times.
//
// Usage: preview_bench [ROUNDS]   (default 9)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>

#include "app/features/cleaning/cleaning_run.h"
#include "app/kernel/shell.h"
#include "bench/ie_cache_files.h"
#include "bench/side_by_side.h"
#include "bench/silent_stage.h"
#include "engine/catalogue/cleaning_catalogue.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace stdfs = std::filesystem;

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    stdfs::path work = stdfs::temp_directory_path() / ("tavrin-preview-bench-" + std::to_string(std::random_device{}()));
    auto machine = platform::Machine::open_or_create(work / "machine");
    platform::install_program_folder(*machine, stdfs::path(__FILE__).parent_path().parent_path() / "skin");
    std::optional<platform::CurrentMachineScope> current;
    current.emplace(*machine);
    const stdfs::path cache = *machine->files().to_host(platform::inet::user_shell_folder(*machine, "Cache"));
    bench::fill(cache, work / "cookies");
    // As between two commands of the program: what the set-up wrote is saved, and the fresh files
    // are on the disk, so neither side of the ratio pays for writing them back.
    machine->flush();
    if (std::system("sync") != 0) std::printf("sync failed; the figures may include writing the files back\n");

    bench::SilentStage stage;
    const engine::CatalogueCategory& ie = *engine::catalogue_category("ie");
    app::Shell shell(stage, {platform::kProgramFolder, "tavrinapp", 2, 1, 7});
    size_t files_listed = 0;
    const auto preview = [&] {
        platform::Recording recording(*machine, platform::RemovalLog::Mode::DryRun);
        app::run_category(shell, ie, "0,0,0,1,0,0");
        files_listed = 0;
        for (const auto& removed : recording.finish()) files_listed += removed.kind == platform::RemovedKind::File;
    };
    const std::string command = "du -s '" + cache.string() + "' >/dev/null";
    int status = 0;
    const auto du = [&] { status |= std::system(command.c_str()); };

    const std::string load_before = bench::load_average();
    const bench::SideBySide timed = bench::side_by_side(rounds, preview, du);
    size_t files_there = 0;
    for (auto& item : stdfs::recursive_directory_iterator(cache)) files_there += item.is_regular_file();

    current.reset();
    machine.reset();
    stdfs::remove_all(work);

    const double ratio = bench::median(timed.ratios);
    std::printf("%d rounds, medians:\n", rounds);
    std::printf("preview of the cache: %.3f s, %zu files listed, %zu files still there\n", bench::median(timed.measured),
                files_listed, files_there);
    std::printf("du -s of the same:    %.3f s (exit %d)\n", bench::median(timed.baseline), status);
    std::printf("ratio preview / du:   %.2f (target: 2 at most)%s\n", ratio, ratio <= 2 ? "" : " ABOVE TARGET");
    std::printf("processor time ratio: %.2f\n", bench::median(timed.processor_ratios));
    std::printf("load average: %s at the start, %s at the end\n", load_before.c_str(), bench::load_average().c_str());
    return files_listed != bench::kCacheEntries || files_there < static_cast<size_t>(bench::kCacheEntries) || status != 0;
}
