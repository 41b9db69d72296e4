// Cleaning the cache and the cookies of a busy browser: 20,000 cache entries of 1-16 KB and
// 5,000 cookies, cleaned by the Internet Explorer run with the cache and cookie items ticked,
// against `rm -rf` of the same files laid out the same way, side by side in one run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

#include "app/features/cleaning/cleaning_run.h"
#include "app/kernel/shell.h"
#include "bench/ie_cache_files.h"
#include "bench/silent_stage.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
    stdfs::path work = stdfs::temp_directory_path() / ("tavrin-ie-bench-" + std::to_string(std::random_device{}()));
    auto machine = platform::Machine::open_or_create(work / "machine");
    platform::install_program_folder(*machine, stdfs::path(__FILE__).parent_path().parent_path() / "skin");
    platform::set_current_machine(machine.get());

    auto host = [&](const std::string& shell_folder) {
        return *machine->files().to_host(platform::inet::user_shell_folder(*machine, shell_folder));
    };
    stdfs::path cache = host("Cache"), cookies = host("Cookies");

    bench::fill(cache, cookies);
    bench::SilentStage stage;
    app::Shell shell(stage, {platform::kProgramFolder, "tavrinapp", 2, 1, 7});
    auto start = Clock::now();
    app::cleanIE(shell, "0,0,0,1,0,1");
    double clean = seconds_since(start);
    size_t left = 0;
    for (auto& item : stdfs::recursive_directory_iterator(cache)) left += item.is_regular_file();
    for (auto& item : stdfs::recursive_directory_iterator(cookies)) left += item.is_regular_file();

    stdfs::path baseline = work / "baseline";
    bench::fill(baseline / "cache", baseline / "cookies");
    std::string command = "rm -rf '" + (baseline / "cache").string() + "' '" + (baseline / "cookies").string() + "'";
    start = Clock::now();
    int status = std::system(command.c_str());
    double remove = seconds_since(start);

    platform::set_current_machine(nullptr);
    machine.reset();
    stdfs::remove_all(work);

    std::printf("cleanIE (cache + cookies): %.3f s, files left: %zu (the cache index)\n", clean, left);
    std::printf("rm -rf of the same files:  %.3f s (exit %d)\n", remove, status);
    std::printf("ratio cleanIE / rm -rf:    %.1f\n", clean / remove);
    return left > 1 || status != 0;
}
