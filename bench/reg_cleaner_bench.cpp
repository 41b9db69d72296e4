// ScanRegistry against the host doing the least the scan has to: a plain stat() of every path the
// scan tests. The machine holds STALE missing and VALID existing entries, spread evenly over the
// shared DLL counts, the uninstall list, the application paths and the open/save history; the
// missing ones lie beside existing files, as stale entries do in a real system folder.
// Usage: reg_cleaner_bench [STALE=10000] [VALID=10000] [RUNS=9]   (run from a folder on the disk)
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/regcleaner/reg_cleaner.h"
#include "platform/machine/machine.h"

namespace {

namespace stdfs = std::filesystem;
using platform::registry::Root;
namespace type = platform::registry::type;
using Clock = std::chrono::steady_clock;

constexpr const char* kShared = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
constexpr const char* kMru = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\*";

std::vector<uint8_t> sz(const std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

double seconds(const std::function<void()>& work) {
    auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Filler {
    platform::Machine& machine;
    std::vector<std::string> tested;  // every Windows path the scan will look at

    void file(const std::string& windows_path) {
        auto host = *machine.files().to_host(windows_path);
        stdfs::create_directories(host.parent_path());
        std::ofstream(host) << "x";
    }
    // Entry i of a place; valid entries get their file.
    void add(int place, int i, bool valid) {
        auto& reg = machine.registry();
        std::string n = std::to_string(i) + (valid ? "" : "-gone");
        std::string path;
        switch (place) {
            case 0:
                path = "C:\\WINDOWS\\system32\\shared" + n + ".dll";
                reg.set_value(Root::LocalMachine, kShared, path, type::Dword, std::vector<uint8_t>{1, 0, 0, 0});
                break;
            case 1: {
                path = "C:\\Program Files\\App" + std::to_string(i % 500) + "\\uninst" + n + ".exe";
                std::string key = std::string(kUninstall) + "\\App " + n;
                reg.create_key(Root::LocalMachine, key);
                reg.set_value(Root::LocalMachine, key, "UninstallString", type::Sz, sz("\"" + path + "\" /S"));
                break;
            }
            case 2: {
                path = "C:\\Program Files\\App" + std::to_string(i % 500) + "\\app" + n + ".exe";
                std::string key = std::string(kAppPaths) + "\\app" + n + ".exe";
                reg.create_key(Root::LocalMachine, key);
                reg.set_value(Root::LocalMachine, key, "", type::Sz, sz(path));
                break;
            }
            default:
                path = "C:\\Documents and Settings\\All Users\\Documents\\doc" + n + ".txt";
                reg.set_value(Root::CurrentUser, kMru, "v" + n, type::Sz, sz(path));
        }
        if (valid) file(path);
        tested.push_back(path);
    }
};

}  // namespace

int main(int argc, char** argv) {
    int stale = argc > 1 ? std::atoi(argv[1]) : 10000;
    int valid = argc > 2 ? std::atoi(argv[2]) : 10000;
    int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 9;
    stdfs::path dir = stdfs::absolute("reg-cleaner-bench-" + std::to_string(std::random_device{}()));
    auto machine = platform::Machine::open_or_create(dir / "machine");
    std::optional<platform::CurrentMachineScope> current;
    current.emplace(*machine);

    Filler filler{*machine, {}};
    for (const char* key : {kShared, kUninstall, kAppPaths}) machine->registry().create_key(Root::LocalMachine, key);
    machine->registry().create_key(Root::CurrentUser, kMru);
    for (int i = 0; i < stale; ++i) filler.add(i % 4, i / 4, false);
    for (int i = 0; i < valid; ++i) filler.add(i % 4, i / 4, true);

    std::vector<stdfs::path> host_paths;
    for (const auto& path : filler.tested) host_paths.push_back(*machine->files().to_host(path));

    // Scan and baseline take turns, so that a busy machine slows both alike; the ratio is the
    // median of the runs' own ratios.
    size_t found = 0, existing = 0;
    std::vector<double> scan_times, stat_times, ratios;
    for (int run = 0; run < runs; ++run) {
        scan_times.push_back(seconds([&] {
            engine::Reg_Cleaner cleaner;
            found = 0;
            cleaner.FoundError.subscribe([&](std::string&) { ++found; });
            cleaner.ScanRegistry();
        }));
        stat_times.push_back(seconds([&] {
            existing = 0;
            struct stat st;
            for (const auto& path : host_paths) existing += stat(path.c_str(), &st) == 0;
        }));
        ratios.push_back(scan_times.back() / stat_times.back());
    }
    double scan_time = median(scan_times), stat_time = median(stat_times);
    std::cout << "ScanRegistry over " << filler.tested.size() << " entries found " << found << " stale (expected "
              << stale << "); plain stat() saw " << existing << " of them existing\n"
              << "median of " << runs << ": ScanRegistry " << scan_time << " s, stat() " << stat_time
              << " s; time ratio = " << median(ratios) << " (target <= 3)\n";

    current.reset();
    machine.reset();
    stdfs::remove_all(dir);
    return found == static_cast<size_t>(stale) ? 0 : 1;
}
