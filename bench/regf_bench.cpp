// A Windows installation's registry: loading a SOFTWARE hive of about 30 MB and saving it after
// one change (applied to a copy, every free cell zeroed, the copy synced and renamed over the file)
// against cp + sync of the same file, side by side in rounds; the figure is the median of the
// rounds' ratios, target <= 3. Two kinds of change: a value given new data, as a clean's changes
// are made in the copy's own cells, and a key added, which needs new cells and goes through hivex.
// Each load and save runs in a child process, so its peak memory is that work's alone; it is
// printed as a multiple of the file's size.
// The hive is built from the corpus NTUSER.DAT (hivex cannot make a hive from nothing).
// Usage: regf_bench [--dir DIR] [--rounds N (7)] [--keys N (50000)]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/side_by_side.h"
#include "platform/registry/registry.h"
#include "tests/unit/support/corpora.h"
#include "tests/unit/support/regf_template.h"

namespace {

namespace fs = std::filesystem;
using namespace platform::registry;
constexpr double kTarget = 3.0;

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// Vendors, their products and items, with the values an installer leaves.
std::vector<tavrin_test::RegfKey> software_keys(int keys) {
    std::vector<tavrin_test::RegfKey> made;
    for (int i = 0; i < keys; ++i) {
        const std::string vendor = "Vendor" + std::to_string(i / 3000), product = "Product" + std::to_string(i / 60 % 50);
        const std::string item = "Item" + std::to_string(i % 60);
        made.push_back({vendor + "\\" + product + "\\" + item,
                        {{"InstallLocation", type::Sz, tavrin_test::regf_string("C:\\Program Files\\" + vendor + "\\" + product)},
                         {"Version", type::Dword, {static_cast<uint8_t>(i), 1, 0, 0}},
                         {"DisplayName", type::Sz, tavrin_test::regf_string(product + " " + item + " of " + vendor)}}});
    }
    return made;
}

// Loads the installation, makes one change, saves; in a child process. Its peak memory in KB.
long load_change_save(const WindowsHives& hives, int round, bool adds_a_key) {
    const pid_t child = fork();
    if (child == 0) {
        Registry registry(hives);
        const std::vector<uint8_t> data{static_cast<uint8_t>(round), 0, 0, 0};
        if (adds_a_key) registry.create_key(Root::LocalMachine, "SOFTWARE\\Vendor1\\Product7\\Added" + std::to_string(round));
        else registry.set_value(Root::LocalMachine, "SOFTWARE\\Vendor1\\Product7\\Item5", "Version", type::Dword, data);
        registry.flush();
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << "the load and save failed\n";
        std::exit(1);
    }
    return usage.ru_maxrss;
}

int run(const fs::path& dir, int rounds, int keys) {
    const auto corpus = tavrin_test::corpus_file("windows/regf/NTUSER.DAT");
    if (!corpus) {
        std::cerr << "no corpus windows/regf/NTUSER.DAT (../shared/corpora or TAVRIN_CORPORA)\n";
        return 1;
    }
    const fs::path folder = dir / "tavrin-regf-bench";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const WindowsHives hives{folder / "SOFTWARE", folder / "SYSTEM", folder / "DEFAULT", folder / "NTUSER.DAT", {}, "S-1-5-21-1"};
    for (const fs::path& small : {hives.system, hives.default_user, hives.user})
        if (!tavrin_test::make_regf_hive(*corpus, small, {{"Empty", {}}})) return 1;
    if (!tavrin_test::make_regf_hive(*corpus, hives.software, software_keys(keys))) return 1;
    const double megabytes = static_cast<double>(fs::file_size(hives.software)) / (1024 * 1024);
    std::cout << "SOFTWARE hive of " << megabytes << " MB (" << keys << " keys, " << 3 * keys << " values); " << rounds
              << " rounds; load " << bench::load_average() << "\n";

    for (const bool adds_a_key : {false, true}) {
        std::vector<long> peaks;
        int round = 0;
        const fs::path copy = folder / "SOFTWARE.copy";
        const auto result = bench::side_by_side(
            rounds, [&] { peaks.push_back(load_change_save(hives, ++round, adds_a_key)); },
            [&] {
                if (std::system(("cp " + quoted(hives.software) + " " + quoted(copy) + " && sync " + quoted(copy)).c_str()) != 0)
                    std::exit(1);
            },
            [&](bool) { fs::remove(copy); });
        const double ratio = bench::median(result.ratios);
        std::vector<double> peak_multiples;
        for (const long peak : peaks) peak_multiples.push_back(static_cast<double>(peak) / 1024 / megabytes);
        std::cout << (adds_a_key ? "a key added (through hivex)" : "a value given new data (in the file's cells)") << ":\n"
                  << "  load + change + save with zeroing: median " << bench::median(result.measured) << " s\n"
                  << "  cp + sync: median " << bench::median(result.baseline) << " s\n"
                  << "  ratio " << ratio << " (median of the rounds' ratios; processor time "
                  << bench::median(result.processor_ratios) << "; target <= " << kTarget << ")"
                  << (ratio <= kTarget ? "" : "  ABOVE TARGET") << "\n"
                  << "  peak memory " << bench::median(peak_multiples) << " x the file\n";
    }
    fs::remove_all(folder);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path dir = fs::temp_directory_path();
    int rounds = 7, keys = 50'000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--dir") dir = argv[i + 1];
        else if (flag == "--rounds") rounds = std::atoi(argv[i + 1]);
        else if (flag == "--keys") keys = std::atoi(argv[i + 1]);
    }
    return run(dir, rounds, keys);
}
