// What the memory gauge, the memory slider and the processor sampling cost, each against the
// plain work underneath it measured in the same run:
//  - a gauge reading (RAM.GetMemoryLoad) against reading /proc/meminfo into a string;
//  - one CPULoad sample against reading /proc/stat into a string;
//  - FreeUpMemory of 256 MB against filling a 256 MB text of blanks, as the slider always did.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "engine/tools/cpu_load.h"
#include "engine/tools/ram.h"
#include "platform/machine/machine.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class Work>
double seconds_for(int rounds, Work&& work) {
    auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

size_t read_whole(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str().size();
}

void report(const char* what, int rounds, double measured, double baseline) {
    std::printf("%-34s %7d rounds  %9.3f ms  baseline %9.3f ms  ratio %.2f\n", what, rounds, measured * 1000,
                baseline * 1000, measured / baseline);
}

}  // namespace

int main() {
    constexpr int kReadings = 20000;
    volatile size_t sink = 0;

    engine::RAM ram;
    double gauge = seconds_for(kReadings, [&] { sink = sink + static_cast<size_t>(ram.GetMemoryLoad().to_integer()); });
    double meminfo = seconds_for(kReadings, [&] { sink = sink + read_whole("/proc/meminfo"); });
    report("memory gauge reading", kReadings, gauge, meminfo);

    // CPULoad reads the machine's Windows version when it is created.
    auto dir = std::filesystem::temp_directory_path() / "tavrin-tools-bench";
    std::filesystem::remove_all(dir);
    auto machine = platform::Machine::open_or_create(dir);
    std::optional<platform::CurrentMachineScope> current;
    current.emplace(*machine);
    engine::CPULoad load;
    double sample = seconds_for(kReadings, [&] { load.CollectCPUData(); });
    double stat = seconds_for(kReadings, [&] { sink = sink + read_whole("/proc/stat"); });
    report("processor sample", kReadings, sample, stat);
    current.reset();
    machine.reset();
    std::filesystem::remove_all(dir);

    constexpr int kBlocks = 8;
    constexpr int32_t kBlock = 256 << 20;
    double slider = seconds_for(kBlocks, [&] { sink = sink + static_cast<size_t>(ram.FreeUpMemory(kBlock)); });
    double blanks = seconds_for(kBlocks, [&] {
        auto text = std::make_unique<std::string>(static_cast<size_t>(kBlock), ' ');
        sink = sink + static_cast<size_t>((*text)[kBlock / 2]);
    });
    report("memory slider, 256 MB", kBlocks, slider, blanks);
    return 0;
}
