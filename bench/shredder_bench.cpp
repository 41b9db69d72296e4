// Shredder throughput against the system's own tools, run side by side on the same file system:
//   (a) FileShred of one large file           vs  dd if=/dev/zero of=F bs=1M conv=fsync
//   (b) FolderShred of many small files        vs  find DIR -type f -exec shred -n1 -u {} +  and  rm -rf DIR
//   (c) ShredFreeSpace on an ext4 loop image   vs  dd filling the same image
// Usage: shredder_bench [--dir DIR] [--file-mb N] [--files N] [--image-mb N] [--only a|b|c]
// DIR (default: the system temp folder) must be on the file system to measure; (c) needs root for
// the loop mount and falls back to a plain folder limited by a drive quota, saying so.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "engine/shredder/shredder.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace {

namespace fs = std::filesystem;

struct Options {
    fs::path dir = fs::temp_directory_path();
    uint64_t file_mb = 1024;
    int files = 50'000;
    uint64_t image_mb = 2048;
    std::string only;
};

double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool shell(const std::string& command) { return std::system(command.c_str()) == 0; }
std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

void report(const std::string& what, double ours, const std::string& baseline, double theirs, double target) {
    const double ratio = theirs / ours;
    std::cout << what << ": Tavrin " << ours << " s, " << baseline << " " << theirs << " s, ratio "
              << ratio << " (baseline time / Tavrin time; target >= " << target << ")"
              << (ratio >= target ? "" : "  BELOW TARGET") << "\n";
}

// A machine of its own in the benchmark folder, with the program folder (and so the log) installed.
class BenchMachine {
public:
    explicit BenchMachine(const fs::path& dir) : dir_(dir) {
        fs::remove_all(dir_);
        machine_ = platform::Machine::open_or_create(dir_);
        platform::install_program_folder(*machine_, fs::path(__FILE__).parent_path().parent_path() / "skin");
        platform::set_current_machine(machine_.get());
    }
    ~BenchMachine() {
        platform::set_current_machine(nullptr);
        machine_.reset();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    // Maps a drive letter to a folder inside the machine and opens the machine again to see it.
    fs::path add_drive(char letter) {
        const std::string name = std::string("drive_") + letter;
        fs::create_directories(dir_ / name);
        fs::create_directory_symlink("../" + name, dir_ / "dosdevices" / (std::string(1, letter) + ":"));
        reopen();
        return dir_ / name;
    }
    void reopen() {
        platform::set_current_machine(nullptr);
        machine_ = platform::Machine::open(dir_);
        platform::set_current_machine(machine_.get());
    }
    platform::Machine& machine() { return *machine_; }
    fs::path host_c() const { return dir_ / "drive_c"; }

private:
    fs::path dir_;
    std::unique_ptr<platform::Machine> machine_;
};

void write_random_file(const fs::path& path, uint64_t length) {
    static std::mt19937_64 random(7);
    std::vector<uint64_t> block(1 << 17);
    std::ofstream out(path, std::ios::binary);
    for (uint64_t written = 0; written < length;) {
        for (auto& word : block) word = random();
        const auto piece = std::min<uint64_t>(block.size() * sizeof(uint64_t), length - written);
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(piece));
        written += piece;
    }
}

void large_file(const Options& options) {
    BenchMachine bench(options.dir / "tavrin-bench-large");
    const fs::path file = bench.host_c() / "large.bin";
    const uint64_t length = options.file_mb << 20;
    double ours = 1e300, dd = 1e300;
    for (int round = 0; round < 2; ++round) {
        write_random_file(file, length);
        shell("sync");
        dd = std::min(dd, seconds([&] {
                          shell("dd if=/dev/zero of=" + quoted(file) + " bs=1M count=" + std::to_string(options.file_mb) +
                                " conv=fsync status=none");
                      }));
        write_random_file(file, length);
        shell("sync");
        engine::Shredder shredder;
        ours = std::min(ours, seconds([&] { shredder.FileShred("C:\\large.bin"); }));
    }
    report("(a) FileShred of " + std::to_string(options.file_mb) + " MiB", ours, "dd conv=fsync", dd, 0.8);
}

void make_tree(const fs::path& root, int files) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> size(1024, 8192);
    const std::string bytes(8192, 'k');
    for (int i = 0; i < files; ++i) {
        const fs::path folder = root / ("folder" + std::to_string(i / 1000));
        if (i % 1000 == 0) fs::create_directories(folder);
        std::ofstream(folder / ("file" + std::to_string(i) + ".dat")).write(bytes.data(), size(random));
    }
    shell("sync");
}

void many_files(const Options& options) {
    BenchMachine bench(options.dir / "tavrin-bench-tree");
    const fs::path tree = bench.host_c() / "tree";

    make_tree(tree, options.files);
    engine::Shredder shredder;
    double max_fsize = 0, min_fsize = 0;
    const double ours = seconds([&] { shredder.FolderShred("C:\\tree", false, "*", true, max_fsize, min_fsize); });
    if (fs::exists(tree)) std::cout << "(b) warning: the tree was not removed completely\n";

    make_tree(tree, options.files);
    const double shred = seconds([&] { shell("find " + quoted(tree) + " -type f -exec shred -n1 -u {} +"); });
    fs::remove_all(tree);

    make_tree(tree, options.files);
    const double rm = seconds([&] { shell("rm -rf " + quoted(tree) + " && sync"); });

    const std::string what = "(b) FolderShred of " + std::to_string(options.files) + " files of 1-8 KiB";
    report(what, ours, "find -exec shred -n1 -u", shred, 1.0);
    report(what, ours, "rm -rf (+sync)", rm, 0.0);
}

void free_space(const Options& options) {
    BenchMachine bench(options.dir / "tavrin-bench-wipe");
    const fs::path image = options.dir / "tavrin-bench-wipe.img";
    const fs::path drive = bench.add_drive('e');
    // A fully allocated image with its inode tables written up front, so that neither side pays
    // for the host growing the image or for the kernel initialising the file system meanwhile.
    const bool mounted = shell("fallocate -l " + std::to_string(options.image_mb << 20) + " " + quoted(image) +
                               " && mkfs.ext4 -q -F -m 0 -E lazy_itable_init=0,lazy_journal_init=0 " + quoted(image) +
                               " && mount -o loop " + quoted(image) + " " + quoted(drive) + " 2>/dev/null");
    if (!mounted) {
        std::cout << "(c) loop mount refused: measuring on a plain folder limited by a drive quota instead\n";
        bench.machine().files().set_quota('E', options.image_mb << 20);
    }

    const fs::path fill = drive / "dd-fill";
    const std::string limit = mounted ? "" : " count=" + std::to_string(options.image_mb);
    double ours = 1e300, dd = 1e300;
    for (int round = 0; round < 2; ++round) {
        dd = std::min(dd, seconds([&] {
                          shell("dd if=/dev/zero of=" + quoted(fill) + " bs=1M conv=fsync status=none" + limit +
                                " 2>/dev/null; rm -f " + quoted(fill));
                      }));
        engine::Shredder shredder;
        ours = std::min(ours, seconds([&] { shredder.ShredFreeSpace("E:"); }));
    }
    report("(c) ShredFreeSpace on a " + std::to_string(options.image_mb) + " MiB " +
               (mounted ? "ext4 loop image" : "quota folder"),
           ours, "dd fill", dd, 0.8);

    if (mounted) shell("umount " + quoted(drive));
    fs::remove(image);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i], value = argv[i + 1];
        if (flag == "--dir") options.dir = value;
        else if (flag == "--file-mb") options.file_mb = std::stoull(value);
        else if (flag == "--files") options.files = std::stoi(value);
        else if (flag == "--image-mb") options.image_mb = std::stoull(value);
        else if (flag == "--only") options.only = value;
        else {
            std::cerr << "unknown option " << flag << "\n";
            return 2;
        }
    }
    try {
        if (options.only.empty() || options.only == "a") large_file(options);
        if (options.only.empty() || options.only == "b") many_files(options);
        if (options.only.empty() || options.only == "c") free_space(options);
    } catch (const std::exception& error) {
        std::cerr << "benchmark failed: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
