// Cleaning the cache and the cookies of a busy browser: 20,000 cache entries of 1-16 KB and
// 5,000 cookies, cleaned by the Internet Explorer run with the cache and cookie items ticked,
// against `rm -rf` of the same files laid out the same way, the two alternating over several
// rounds (the files are laid out again, untimed, before each side).
//
// Usage: ie_clean_bench [ROUNDS]   (default 3)
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
#include "platform/inet/user_folders.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace stdfs = std::filesystem;

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    stdfs::path work = stdfs::temp_directory_path() / ("tavrin-ie-bench-" + std::to_string(std::random_device{}()));
    auto machine = platform::Machine::open_or_create(work / "machine");
    platform::install_program_folder(*machine, stdfs::path(__FILE__).parent_path().parent_path() / "skin");
    std::optional<platform::CurrentMachineScope> current;
    current.emplace(*machine);

    auto host = [&](const std::string& shell_folder) {
        return *machine->files().to_host(platform::inet::user_shell_folder(*machine, shell_folder));
    };
    const stdfs::path cache = host("Cache"), cookies = host("Cookies");
    const stdfs::path baseline = work / "baseline";

    const auto lay_out = [&](bool for_the_clean) {
        if (for_the_clean) bench::fill(cache, cookies);
        else bench::fill(baseline / "cache", baseline / "cookies");
        if (std::system("sync") != 0) std::printf("sync failed; the figures may include writing the files back\n");
    };
    bench::SilentStage stage;
    app::Shell shell(stage, {platform::kProgramFolder, "tavrinapp", 2, 1, 7});
    const auto clean = [&] { app::cleanIE(shell, "0,0,0,1,0,1"); };
    const std::string command = "rm -rf '" + (baseline / "cache").string() + "' '" + (baseline / "cookies").string() + "'";
    int status = 0;
    const auto remove = [&] { status |= std::system(command.c_str()); };

    const std::string load_before = bench::load_average();
    const bench::SideBySide timed = bench::side_by_side(rounds, clean, remove, lay_out);
    size_t left = 0;  // after the last clean
    for (auto& item : stdfs::recursive_directory_iterator(cache)) left += item.is_regular_file();
    for (auto& item : stdfs::recursive_directory_iterator(cookies)) left += item.is_regular_file();

    current.reset();
    machine.reset();
    stdfs::remove_all(work);

    std::printf("%d rounds, medians:\n", rounds);
    std::printf("cleanIE (cache + cookies): %.3f s, files left: %zu (the cache index)\n", bench::median(timed.measured), left);
    std::printf("rm -rf of the same files:  %.3f s (exit %d)\n", bench::median(timed.baseline), status);
    std::printf("ratio cleanIE / rm -rf:    %.2f\n", bench::median(timed.ratios));
    std::printf("processor time ratio:      %.2f\n", bench::median(timed.processor_ratios));
    std::printf("load average: %s at the start, %s at the end\n", load_before.c_str(), bench::load_average().c_str());
    return left > 1 || status != 0;
}
