// Registry store speed and memory on a large system.reg, against copying the same file with cp:
// 200,000 keys and 600,000 values (about 45 MB) with a realistic mix of value forms.
// The parent generates the file and times cp (warm cache); a child process loads and saves it, so
// that its peak memory (VmHWM) is that of the load/save work alone. The machine may be busy, so
// every round runs both sides back to back (in turns first) and each case reports the median of
// the rounds' ratios; the load average is printed beside them.
// A save is flushed to disk before it replaces the file, so the target is against cp + sync of the
// same file; the ratio against plain cp is printed too.
// With --busy-core, a loop keeps one core busy during the rounds: a user's machine is seldom idle.
// Usage: registry_bench [--dir DIR] [--keys N] [--rounds N (7)] [--busy-core]
//                       [--generate FILE (only write the test file, e.g. to profile)]
#include <algorithm>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry/registry.h"
#include "tests/unit/support/big_hive.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

std::string load_average() {
    std::ifstream in("/proc/loadavg");
    std::string one_minute;
    in >> one_minute;
    return one_minute;
}

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::cerr << "failed: " << command << "\n";
        std::exit(1);
    }
}

// What the kernel has counted for this process so far: time in the kernel, and minor page faults
// (first touches of memory, each handed a fresh page: on a freshly started virtual machine those
// are the load's dearest part).
struct KernelShare {
    double seconds = 0;
    long minor_faults = 0;
};

KernelShare kernel_share() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {static_cast<double>(usage.ru_stime.tv_sec) + usage.ru_stime.tv_usec / 1e6, usage.ru_minflt};
}

// Wall time, and the processor time with the kernel's share of it.
struct Stopwatch {
    Clock::time_point wall = Clock::now();
    std::clock_t cpu = std::clock();
    KernelShare kernel = kernel_share();

    // "name wall cpu kernel faults" for the parent to read.
    void report(const char* name) const {
        const KernelShare now = kernel_share();
        std::cout << name << " " << since(wall) << " " << static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC << " "
                  << now.seconds - kernel.seconds << " " << now.minor_faults - kernel.minor_faults << "\n";
    }
};

long peak_rss_kb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// A different value of the same type: a string gets one more character, anything else its first
// byte changed. (Setting a value to what it holds changes nothing, and nothing would be saved.)
platform::registry::Value changed(platform::registry::Value value) {
    using namespace platform::registry;
    const bool is_string = value.type == type::Sz || value.type == type::ExpandSz || value.type == type::MultiSz;
    if (is_string) value.data.insert(value.data.begin(), 'v');
    else if (value.data.empty()) value.data.push_back(1);
    else value.data[0] ^= 1;
    return value;
}

// Changes every value of a tree, or (every_value == false) one value per key.
void rewrite(platform::registry::Registry& registry, const std::string& path, bool every_value) {
    using namespace platform::registry;
    for (const std::string& name : registry.value_names(Root::LocalMachine, path)) {
        Value value;
        registry.query_value(Root::LocalMachine, path, name, value);
        value = changed(std::move(value));
        registry.set_value(Root::LocalMachine, path, name, value.type, value.data);
        if (!every_value) break;
    }
    if (!every_value && registry.value_names(Root::LocalMachine, path).empty() && !path.empty())
        registry.set_value(Root::LocalMachine, path, "Touched", type::Dword, std::vector<uint8_t>{1, 0, 0, 0});
    for (const std::string& key : registry.subkey_names(Root::LocalMachine, path))
        rewrite(registry, path.empty() ? key : path + "\\" + key, every_value);
}

// The measured part, in a process of its own: prints "name wall cpu kernel faults" lines and the peak memory.
int child(const fs::path& dir, const std::string& mode) {
    using platform::registry::Registry;
    Stopwatch load;
    Registry registry(dir);
    load.report("load");
    if (mode == "unchanged") {
        Stopwatch save;
        registry.save_all();
        save.report("save");
    } else {
        Stopwatch modify;
        rewrite(registry, "", mode == "values");
        modify.report("modify");
        Stopwatch save;
        registry.flush();
        save.report("save");
    }
    std::cout << "peak_kb " << peak_rss_kb() << "\n";
    return 0;
}

struct Phase {
    double wall = 0, cpu = 0, kernel = 0;
    long minor_faults = 0;
};

struct ChildResult {
    Phase load, save, modify;
    long peak_kb = 0;
};

ChildResult run_child(const fs::path& dir, const std::string& mode) {
    const fs::path report = dir / "child.txt";
    run(quoted(fs::read_symlink("/proc/self/exe")) + " --child " + quoted(dir) + " " + mode + " > " + quoted(report));
    ChildResult result;
    std::ifstream in(report);
    for (std::string name; in >> name;) {
        if (name == "peak_kb") {
            in >> result.peak_kb;
            continue;
        }
        Phase& phase = name == "load" ? result.load : name == "save" ? result.save : result.modify;
        in >> phase.wall >> phase.cpu >> phase.kernel >> phase.minor_faults;
    }
    fs::remove(report);
    return result;
}

// The setup copy is flushed before it is measured, so that its write-back does not land in the
// measured save's flush (a real system.reg has been on disk for long).
void place_fresh_copy(const fs::path& original, const fs::path& dir) {
    fs::copy_file(original, dir / "system.reg", fs::copy_options::overwrite_existing);
    run("sync " + quoted(dir / "system.reg"));
    fs::remove(dir / "user.reg");
    fs::remove(dir / "userdef.reg");
}

double time_copy(const fs::path& from, const fs::path& to, bool durable) {
    fs::remove(to);
    const auto start = Clock::now();
    run("cp " + quoted(from) + " " + quoted(to) + (durable ? " && sync " + quoted(to) : ""));
    const double seconds = since(start);
    fs::remove(to);
    return seconds;
}

// One round of a case: cp + sync and load + save run back to back, in turns first, so that both
// sides see the same load on the shared machine; the round's figure is their ratio.
struct Round {
    ChildResult ours;
    double copy = 0, durable_copy = 0;
    double ratio() const { return (ours.load.wall + ours.save.wall) / durable_copy; }
};

Round measure_round(const fs::path& original, const fs::path& dir, const std::string& mode, bool baseline_first) {
    Round round;
    const auto baseline = [&] {
        round.copy = time_copy(original, dir / "copy.reg", false);
        round.durable_copy = time_copy(original, dir / "copy.reg", true);
    };
    if (baseline_first) baseline();
    place_fresh_copy(original, dir);
    round.ours = run_child(dir, mode);
    if (!baseline_first) baseline();
    return round;
}

// The round whose ratio is the median, with the median of each side's times beside it.
struct CaseResult {
    Round median_round;
    double ratio = 0, copy = 0, durable_copy = 0;
    long peak_kb = 0;
};

CaseResult measure_case(const fs::path& original, const fs::path& dir, const std::string& mode, int rounds) {
    std::vector<Round> all;
    for (int round = 0; round < rounds; ++round) all.push_back(measure_round(original, dir, mode, round % 2 == 0));
    std::vector<double> copies, durable_copies;
    long peak_kb = 0;
    for (const Round& r : all) {
        copies.push_back(r.copy);
        durable_copies.push_back(r.durable_copy);
        peak_kb = std::max(peak_kb, r.ours.peak_kb);
    }
    std::sort(all.begin(), all.end(), [](const Round& a, const Round& b) { return a.ratio() < b.ratio(); });
    const Round& middle = all[all.size() / 2];
    return {middle, middle.ratio(), median(copies), median(durable_copies), peak_kb};
}

std::string cpu(const Phase& phase) {
    char text[128];
    std::snprintf(text, sizeof text, "%.3f s (cpu %.3f s, of it in the kernel %.3f s; %ld minor page faults)", phase.wall,
                  phase.cpu, phase.kernel, phase.minor_faults);
    return text;
}

// A loop on a thread of its own for as long as it is held.
class BusyCore {
public:
    BusyCore()
        : spinner_([this] {
              while (!stop_.load(std::memory_order_relaxed)) {
              }
          }) {}
    ~BusyCore() {
        stop_ = true;
        spinner_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread spinner_;
};

}  // namespace

int main(int argc, char** argv) {
    fs::path dir = fs::temp_directory_path() / "tavrin-registry-bench";
    int keys = tavrin_test::kBigHiveKeys;
    int rounds = 7;
    bool busy_core = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--child" && i + 2 < argc) return child(argv[i + 1], argv[i + 2]);
        if (arg == "--generate" && i + 1 < argc) {
            tavrin_test::write_big_hive(argv[i + 1], keys);
            return 0;
        }
        if (arg == "--dir" && i + 1 < argc) dir = argv[++i];
        else if (arg == "--keys" && i + 1 < argc) keys = std::stoi(argv[++i]);
        else if (arg == "--rounds" && i + 1 < argc) rounds = std::max(1, std::stoi(argv[++i]));
        else if (arg == "--busy-core") busy_core = true;
    }
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path original = dir / "original.reg";
    const fs::path system = dir / "system.reg";
    tavrin_test::write_big_hive(original, keys);
    const double size_mb = static_cast<double>(fs::file_size(original)) / (1 << 20);
    const std::string load_before = load_average();
    run("cat " + quoted(original) + " > /dev/null");  // warm cache for both sides
    std::printf("system.reg: %d keys, %.1f MB; %d rounds per case, cp + sync and load + save in turns, "
                "the round of median ratio shown%s\n",
                keys, size_mb, rounds, busy_core ? "; one core kept busy by a loop" : "");
    std::optional<BusyCore> busy;
    if (busy_core) busy.emplace();

    struct Mode {
        const char* mode;
        const char* what;
    };
    for (const Mode m : {Mode{"unchanged", "unchanged, all three hives saved"}, Mode{"keys", "every key changed (one value each)"},
                         Mode{"values", "every value rewritten"}}) {
        const CaseResult c = measure_case(original, dir, m.mode, rounds);
        const ChildResult& r = c.median_round.ours;
        const double total = r.load.wall + r.save.wall;
        const double memory = c.peak_kb / 1024.0 / size_mb;
        std::printf("%s:\n  load %s\n  save %s (with the flush to disk)\n", m.what, cpu(r.load).c_str(), cpu(r.save).c_str());
        if (r.modify.wall > 0) std::printf("  the changes took %s\n", cpu(r.modify).c_str());
        std::printf("  baseline in that round: cp %.3f s, cp + sync %.3f s (medians of all rounds: %.3f s, %.3f s)\n",
                    c.median_round.copy, c.median_round.durable_copy, c.copy, c.durable_copy);
        std::printf("  load + save = %.2fx cp + sync (median of the rounds' ratios; the target: <= 2)%s; %.1fx cp; "
                    "peak memory %.2fx file (the highest of the rounds; target < 3)%s\n",
                    c.ratio, c.ratio <= 2 ? "" : " ABOVE TARGET", total / c.median_round.copy, memory,
                    memory < 3 ? "" : " ABOVE TARGET");
        if (std::string(m.mode) == "unchanged" && std::system(("cmp -s " + quoted(original) + " " + quoted(system)).c_str()) != 0)
            std::printf("  unchanged save is NOT byte-identical\n");
    }
    std::printf("load average (1 min): %s at the start, %s at the end\n", load_before.c_str(), load_average().c_str());
    fs::remove_all(dir);
    return 0;
}
