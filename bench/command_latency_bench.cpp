// How long a command that changes one registry value takes through the movie protocol on a
// machine whose system.reg holds 200,000 keys (about 45 MB), against the same command on a fresh
// sandbox, both measured in this run. The command switches the screens' language: it stores one
// value in user.reg and sets a variable in three movies. Timed from the request until the last of
// those `set` events reaches a listening page, and until the program is idle again (its save
// done). Medians of many commands, in rounds that alternate the two machines, as the machine may
// be busy; the load average is printed beside them. Target: within 2 times.
// Usage: command_latency_bench [--dir DIR] [--commands N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/machine/machine.h"
#include "tests/unit/support/big_hive.h"
#include "tests/unit/support/running_program.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 3;

struct Samples {
    std::vector<double> until_set;
    std::vector<double> until_idle;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string load_average() {
    std::ifstream in("/proc/loadavg");
    std::string one_minute;
    in >> one_minute;
    return one_minute;
}

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void make_machine(const fs::path& dir, bool big) {
    platform::Machine::open_or_create(dir);
    if (big) tavrin_test::append_big_hive_sections(dir / "system.reg");
}

void measure(const fs::path& machine, int commands, Samples& samples) {
    tavrin_test::RunningProgram program(machine);
    const char* languages[] = {"English", "Deutsch"};
    for (int i = 0; i < commands + 2; ++i) {  // the first two warm the program up
        program.expect_sets("_root.strCurrentLanguage", 3);  // main, profiles and log window
        const auto start = Clock::now();
        const long seq = program.command("main", "IDC_FS_LANGUAGE", languages[i % 2]);
        const auto last_set = program.wait_for_sets();
        program.wait_idle(seq);
        const auto idle = Clock::now();
        if (i < 2) continue;
        samples.until_set.push_back(ms(last_set - start));
        samples.until_idle.push_back(ms(idle - start));
    }
}

}  // namespace

int main(int argc, char** argv) {
    fs::path dir = fs::temp_directory_path() / "tavrin-command-latency-bench";
    int commands = 40;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--dir") dir = argv[++i];
        else if (arg == "--commands") commands = std::stoi(argv[++i]);
    }
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path fresh = dir / "fresh", big = dir / "big";
    make_machine(fresh, false);
    make_machine(big, true);
    std::printf("system.reg: fresh sandbox %.2f MB, large machine %.1f MB\n",
                static_cast<double>(fs::file_size(fresh / "system.reg")) / (1 << 20),
                static_cast<double>(fs::file_size(big / "system.reg")) / (1 << 20));
    const std::string load_before = load_average();
    Samples on_fresh, on_big;
    for (int round = 0; round < kRounds; ++round) {
        measure(fresh, commands, on_fresh);
        measure(big, commands, on_big);
    }
    const double set_ratio = median(on_big.until_set) / median(on_fresh.until_set);
    const double idle_ratio = median(on_big.until_idle) / median(on_fresh.until_idle);
    std::printf("%d commands per machine, medians in ms:\n", kRounds * commands);
    std::printf("  until the last set event: fresh %.2f, large %.2f -> %.2fx (target: at most 2)%s\n",
                median(on_fresh.until_set), median(on_big.until_set), set_ratio, set_ratio <= 2 ? "" : " ABOVE TARGET");
    std::printf("  until idle, the save done: fresh %.2f, large %.2f -> %.2fx\n", median(on_fresh.until_idle),
                median(on_big.until_idle), idle_ratio);
    std::printf("load average (1 min): %s at the start, %s at the end\n", load_before.c_str(), load_average().c_str());
    fs::remove_all(dir);
    return 0;
}
