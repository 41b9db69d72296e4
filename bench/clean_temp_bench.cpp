// CleanTemp against deleting the same trees with the system's tools, side by side on one file
// system: 20,000 files of 1-64 KB in nested folders, split between the user's and the Windows
// temporary folder, shredded by CleanTemp, then the same trees removed by rm -rf and sync.
// Usage: clean_temp_bench [--dir DIR] [--files N]
// DIR (default: the system temp folder) must be on the file system to measure.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "engine/cleaners/misc_functions.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace {

namespace fs = std::filesystem;

constexpr double kTarget = 1.3;

struct Options {
    fs::path dir = fs::temp_directory_path();
    int files = 20'000;
};

bool shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// `files` files of 1 to 64 KB, 50 to a folder, the folders two levels deep.
void fill(const fs::path& root, int files, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> size(1024, 64 * 1024);
    const std::string bytes(64 * 1024, 't');
    for (int i = 0; i < files; ++i) {
        const fs::path folder = root / ("setup" + std::to_string(i / 1000)) / ("part" + std::to_string(i / 50 % 20));
        if (i % 50 == 0) fs::create_directories(folder);
        std::ofstream(folder / ("~tmp" + std::to_string(i) + ".tmp")).write(bytes.data(), size(random));
    }
}

double seconds_of(const std::string& what, const auto& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "  " << what << ": " << elapsed << " s\n";
    return elapsed;
}

int run(const Options& options) {
    const fs::path dir = options.dir / "tavrin-bench-temp";
    fs::remove_all(dir);
    auto machine = platform::Machine::open_or_create(dir / "machine");
    platform::install_program_folder(*machine, fs::path(__FILE__).parent_path().parent_path() / "skin");
    std::optional<platform::CurrentMachineScope> current;
    current.emplace(*machine);
    auto host = [&](const std::string& windows_path) { return *machine->files().to_host(windows_path); };
    const fs::path user_temp = host(platform::inet::user_shell_folder(*machine, "Local Settings") + "\\temp");
    const fs::path windows_temp = host("C:\\WINDOWS\\temp");
    const fs::path plain = dir / "plain";

    fill(user_temp, options.files / 2, 1);
    fill(windows_temp, options.files - options.files / 2, 2);
    fill(plain / "user", options.files / 2, 1);
    fill(plain / "windows", options.files - options.files / 2, 2);
    shell("sync");

    std::cout << options.files << " files of 1-64 KB in nested folders, on " << options.dir << "\n";
    const double ours = seconds_of("CleanTemp", [] { engine::Misc_Functions().CleanTemp(); });
    const double theirs = seconds_of("rm -rf + sync", [&] { shell("rm -rf '" + plain.string() + "' && sync"); });
    const double ratio = ours / theirs;
    std::cout << "ratio " << ratio << " (CleanTemp time / rm -rf + sync time; target <= " << kTarget << ")"
              << (ratio <= kTarget ? "" : "  ABOVE TARGET") << "\n";

    current.reset();
    machine.reset();
    fs::remove_all(dir);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--dir") options.dir = argv[i + 1];
        else if (flag == "--files") options.files = std::atoi(argv[i + 1]);
    }
    return run(options);
}
