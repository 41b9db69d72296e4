// Shredder throughput against the system's own tools, run side by side on the same file system:
//   (a) FileShred of one large file           vs  dd if=/dev/zero of=F bs=1M conv=fsync
//   (b) FolderShred of many small files        vs  find DIR -type f -exec shred -n1 -u {} +  and  rm -rf DIR
//   (c) ShredFreeSpace on an ext4 loop image   vs  dd filling the same image
//   (d) FolderShred of a chain of folders N deep vs the same of N/4 deep: the time per level must
//       not grow with the depth (ratio 1 is linear); rm -rf of the deep chain for scale
// Usage: shredder_bench [--dir DIR] [--file-mb N] [--files N] [--image-mb N] [--depth N] [--only a|b|c|d]
// DIR (default: the system temp folder) must be on the file system to measure; (c) needs root for
// the loop mount and falls back to a plain folder limited by a drive quota, saying so.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    int depth = 4000;
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

// A folder holding one small file and the next folder, `depth` times: deeper than any host path
// can name in one piece, so it is built level by level through descriptors.
void make_chain(const fs::path& root, int depth) {
    fs::create_directories(root);
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < depth && fd >= 0; ++level) {
        const int file = openat(fd, "secret.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (file >= 0 && ::write(file, "secret", 6) == 6) ::close(file);
        mkdirat(fd, "level", 0755);
        const int child = openat(fd, "level", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = child;
    }
    if (fd >= 0) ::close(fd);
    shell("sync");
}

void deep_tree(const Options& options) {
    BenchMachine bench(options.dir / "tavrin-bench-deep");
    const fs::path chain = bench.host_c() / "chain";
    auto shred_chain = [&](int depth) {
        make_chain(chain, depth);
        engine::Shredder shredder;
        double max_fsize = 0, min_fsize = 0;
        const double took =
            seconds([&] { shredder.FolderShred("C:\\chain", false, "*", true, max_fsize, min_fsize); });
        if (fs::exists(chain)) std::cout << "(d) warning: the chain " << depth << " deep was not removed completely\n";
        return took;
    };
    const int shallow_depth = std::max(1, options.depth / 4);
    const double shallow = shred_chain(shallow_depth);
    const double deep = shred_chain(options.depth);
    make_chain(chain, options.depth);
    const double rm = seconds([&] { shell("rm -rf " + quoted(chain) + " && sync"); });

    const double per_level_ratio = (deep / options.depth) / (shallow / shallow_depth);
    std::cout << "(d) FolderShred of a chain " << options.depth << " folders deep: " << deep << " s; "
              << shallow_depth << " deep: " << shallow << " s; time per level deep / shallow " << per_level_ratio
              << " (1 = linear in the entries, target <= 1.5)" << (per_level_ratio <= 1.5 ? "" : "  ABOVE TARGET")
              << "\n";
    report("(d) FolderShred of a chain " + std::to_string(options.depth) + " deep", deep, "rm -rf (+sync)", rm, 0.0);
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
        else if (flag == "--depth") options.depth = std::stoi(value);
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
        if (options.only.empty() || options.only == "d") deep_tree(options);
    } catch (const std::exception& error) {
        std::cerr << "benchmark failed: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
