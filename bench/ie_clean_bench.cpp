// Cleaning the cache of a busy browser: 20,000 cache entries of 1-16 KB listed in the cache
// index, cleaned by the Internet Explorer run with the cache item ticked, against the shredder's
// folder walk (FolderShred, as the shredder screen runs it) over the same copies laid out the same
// way beside them. The clean shreds every copy as the walk does, and on top reads the index,
// removes every record and writes the index back: it may cost at most 1.2 times the walk. The two
// sides alternate over several rounds; the files are laid out again, untimed, before each side.
//
// Usage: ie_clean_bench [ROUNDS]   (default 5)
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
#include "engine/shredder/shredder.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace stdfs = std::filesystem;

namespace {

size_t files_under(const stdfs::path& folder) {
    size_t count = 0;
    if (!stdfs::exists(folder)) return 0;
    for (auto& item : stdfs::recursive_directory_iterator(folder)) count += item.is_regular_file();
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    stdfs::path work = stdfs::temp_directory_path() / ("tavrin-ie-bench-" + std::to_string(std::random_device{}()));
    auto machine = platform::Machine::open_or_create(work / "machine");
    platform::install_program_folder(*machine, stdfs::path(__FILE__).parent_path().parent_path() / "skin");
    std::optional<platform::CurrentMachineScope> current;
    current.emplace(*machine);

    const std::string cache_folder = platform::inet::user_shell_folder(*machine, "Cache");
    const stdfs::path cache = *machine->files().to_host(cache_folder);
    // The walk's copies: the same files under the same folder names, without the index.
    const std::string walked_folder = "C:\\ie-bench-copies";
    const stdfs::path walked = *machine->files().to_host(walked_folder);
    const stdfs::path cookies = work / "cookies";  // not cleaned: the cache alone is measured

    const auto lay_out = [&](bool for_the_clean) {
        if (for_the_clean) {
            bench::fill(cache, cookies);
        } else {
            bench::fill(walked, cookies);
            for (auto& item : stdfs::recursive_directory_iterator(walked))
                if (item.is_regular_file() && !item.path().parent_path().filename().string().starts_with("BUCKET"))
                    stdfs::remove(item.path());
        }
        if (std::system("sync") != 0) std::printf("sync failed; the figures may include writing the files back\n");
    };
    bench::SilentStage stage;
    const engine::CatalogueCategory& ie = *engine::catalogue_category("ie");
    app::Shell shell(stage, {platform::kProgramFolder, "tavrinapp", 2, 1, 7});
    const auto clean = [&] { app::run_category(shell, ie, "0,0,0,1,0,0"); };
    engine::Shredder shredder;
    const auto walk = [&] {
        double max_size = 0, min_size = 0;
        shredder.FolderShred(walked_folder, false, "*", true, max_size, min_size);
    };

    const std::string load_before = bench::load_average();
    const bench::SideBySide timed = bench::side_by_side(rounds, clean, walk, lay_out);
    const size_t copies_left = files_under(cache / "Content.IE5") - stdfs::exists(cache / "Content.IE5" / "index.dat");
    const size_t walked_left = files_under(walked);

    current.reset();
    machine.reset();
    stdfs::remove_all(work);

    const double ratio = bench::median(timed.ratios);
    std::printf("%d rounds, %d cache entries, medians:\n", rounds, bench::kCacheEntries);
    std::printf("clean of the cache:        %.3f s, copies left: %zu\n", bench::median(timed.measured), copies_left);
    std::printf("FolderShred of the copies: %.3f s, files left: %zu\n", bench::median(timed.baseline), walked_left);
    std::printf("ratio clean / FolderShred: %.2f (target: 1.2 at most)%s\n", ratio, ratio <= 1.2 ? "" : " ABOVE TARGET");
    std::printf("each round's ratio:       ");
    for (double each : timed.ratios) std::printf(" %.2f", each);
    std::printf("\nprocessor time ratio:      %.2f\n", bench::median(timed.processor_ratios));
    std::printf("load average: %s at the start, %s at the end\n", load_before.c_str(), bench::load_average().c_str());
    return copies_left != 0 || walked_left != 0;
}
