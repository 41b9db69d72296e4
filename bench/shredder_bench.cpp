// Shredder throughput against the system's own tools, run side by side on the same file system:
//   (a) FileShred of one large file           vs  dd if=/dev/zero of=F bs=1M conv=fsync
//   (b) FolderShred of many small files        vs  rm -rf DIR && sync of the same tree: several
//       rounds, the two sides alternating, compared by the median of the rounds' ratios (target: at
//       most 1.3 times)
//   (c) ShredFreeSpace on an ext4 loop image   vs  dd filling the same image
//   (d) FolderShred of a chain of folders N deep vs the same of N/4 deep: the time per level must
//       not grow with the depth (ratio 1 is linear); rm -rf of the deep chain for scale
//   (e) FolderShred of many small files        vs  find DIR -type f -exec shred -n1 -u {} +
// Usage: shredder_bench [--dir DIR] [--file-mb N] [--files N] [--rounds N] [--image-mb N] [--depth N]
//                       [--only a|b|c|d|e] [--background-writer]
// DIR (default: the system temp folder) must be on the file system to measure; (c) needs root for
// the loop mount and falls back to a plain folder limited by a drive quota, saying so.
// --background-writer keeps `dd ... bs=1M count=1024 conv=fsync` writing into DIR while (b) and
// (e) are measured, for both sides: a flush of the whole file system would wait for its data too.
// The load average is printed before and after, as the machine is rarely quiet.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

#include "engine/shredder/shredder.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace {

namespace fs = std::filesystem;

struct Options {
    fs::path dir = fs::temp_directory_path();
    uint64_t file_mb = 1024;
    int files = 10'000;
    int rounds = 5;
    bool background_writer = false;
    uint64_t image_mb = 2048;
    int depth = 4000;
    std::string only;
};

double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Wall time, and the processor time (user and kernel) spent by this process or by the commands it
// ran: what is not processor time was spent waiting, for the disk or for a busy processor.
// On a busy machine each wait costs a turn in the queue for the processor as well.
struct Timing {
    double wall = 0;
    double cpu = 0;
    long waits = 0;  // how often the work gave up the processor to wait
};

Timing usage_of(int who) {
    rusage usage{};
    getrusage(who, &usage);
    auto to_seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    return {0, to_seconds(usage.ru_utime) + to_seconds(usage.ru_stime), usage.ru_nvcsw};
}

Timing timed(const std::function<void()>& work) {
    const Timing self = usage_of(RUSAGE_SELF), children = usage_of(RUSAGE_CHILDREN);
    const double wall = seconds(work);
    const Timing self_after = usage_of(RUSAGE_SELF), children_after = usage_of(RUSAGE_CHILDREN);
    return {wall, self_after.cpu - self.cpu + children_after.cpu - children.cpu,
            self_after.waits - self.waits + children_after.waits - children.waits};
}

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

// The 1, 5 and 15 minute load averages as the kernel prints them.
std::string load_average() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

bool shell(const std::string& command) { return std::system(command.c_str()) == 0; }
std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// Another program writing 1 GiB at a time into the same file system and flushing it, for as long
// as the object lives: what a busy machine looks like to a flush.
class BackgroundWriter {
public:
    explicit BackgroundWriter(const fs::path& dir) : file_(dir / "tavrin-bench-writer") {
        pid_ = fork();
        if (pid_ == 0) {
            setpgid(0, 0);
            const std::string loop = "while :; do dd if=/dev/zero of=" + quoted(file_) +
                                     " bs=1M count=1024 conv=fsync status=none; rm -f " + quoted(file_) + "; done";
            execl("/bin/sh", "sh", "-c", loop.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid_ > 0) setpgid(pid_, pid_);
    }
    ~BackgroundWriter() {
        if (pid_ > 0) {
            kill(-pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove(file_, ignored);
    }
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

private:
    fs::path file_;
    pid_t pid_ = -1;
};

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
        current_.emplace(*machine_);
    }
    ~BenchMachine() {
        current_.reset();
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
        current_.reset();
        machine_ = platform::Machine::open(dir_);
        current_.emplace(*machine_);
    }
    platform::Machine& machine() { return *machine_; }
    fs::path host_c() const { return dir_ / "drive_c"; }

private:
    fs::path dir_;
    std::unique_ptr<platform::Machine> machine_;
    std::optional<platform::CurrentMachineScope> current_;
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

// FolderShred of the whole tree, as the shredder screen runs it: subfolders, no filter.
Timing folder_shred_timing(const fs::path& tree) {
    engine::Shredder shredder;
    double max_fsize = 0, min_fsize = 0;
    const Timing took = timed([&] { shredder.FolderShred("C:\\tree", false, "*", true, max_fsize, min_fsize); });
    if (fs::exists(tree)) std::cout << "warning: FolderShred did not remove the tree completely\n";
    return took;
}

std::string tree_description(const Options& options) {
    return "FolderShred of " + std::to_string(options.files) + " files of 1-8 KiB";
}

void many_files(const Options& options) {
    BenchMachine bench(options.dir / "tavrin-bench-tree");
    const fs::path tree = bench.host_c() / "tree";
    std::optional<BackgroundWriter> writer;
    if (options.background_writer) writer.emplace(options.dir);

    std::cout << "(b) load average before: " << load_average()
              << (options.background_writer ? ", with a background writer" : "") << "\n";
    // The two sides take turns, so that a change in the machine's load meets both of them.
    std::vector<double> ours, rm, ours_cpu, rm_cpu;
    std::vector<long> ours_waits, rm_waits;
    auto note = [](std::vector<double>& wall, std::vector<double>& cpu, std::vector<long>& waits, Timing timing) {
        wall.push_back(timing.wall);
        cpu.push_back(timing.cpu);
        waits.push_back(timing.waits);
    };
    for (int round = 0; round < options.rounds; ++round) {
        auto shred_round = [&] {
            make_tree(tree, options.files);
            note(ours, ours_cpu, ours_waits, folder_shred_timing(tree));
        };
        auto rm_round = [&] {
            make_tree(tree, options.files);
            note(rm, rm_cpu, rm_waits, timed([&] { shell("rm -rf " + quoted(tree) + " && sync"); }));
        };
        if (round % 2 == 0) shred_round(), rm_round();
        else rm_round(), shred_round();
        std::cout << "    round " << round + 1 << ": Tavrin " << ours.back() << " s (processor " << ours_cpu.back()
                  << " s, " << ours_waits.back() << " waits), rm -rf + sync " << rm.back() << " s (processor "
                  << rm_cpu.back() << " s, " << rm_waits.back() << " waits), ratio " << ours.back() / rm.back()
                  << "\n";
    }
    // Each round's two sides met about the same load: the median of their ratios is the figure
    // that holds; the ratio of the medians is shown beside it.
    std::vector<double> round_ratios;
    for (size_t round = 0; round < ours.size(); ++round) round_ratios.push_back(ours[round] / rm[round]);
    const double ratio = median(round_ratios);
    std::cout << "(b) " << tree_description(options) << ", median of " << options.rounds << ": Tavrin "
              << median(ours) << " s (processor " << median(ours_cpu) << " s), rm -rf + sync " << median(rm)
              << " s (processor " << median(rm_cpu) << " s), median of the rounds' ratios " << ratio
              << " (Tavrin time / baseline time; target <= 1.3)" << (ratio <= 1.3 ? "" : "  ABOVE TARGET")
              << ", ratio of the medians " << median(ours) / median(rm) << "\n"
              << "(b) load average after: " << load_average() << "\n";
}

void gnu_shred(const Options& options) {
    BenchMachine bench(options.dir / "tavrin-bench-tree");
    const fs::path tree = bench.host_c() / "tree";
    std::optional<BackgroundWriter> writer;
    if (options.background_writer) writer.emplace(options.dir);

    make_tree(tree, options.files);
    const double ours = folder_shred_timing(tree).wall;
    make_tree(tree, options.files);
    const double shred = seconds([&] { shell("find " + quoted(tree) + " -type f -exec shred -n1 -u {} +"); });
    fs::remove_all(tree);
    report("(e) " + tree_description(options), ours, "find -exec shred -n1 -u", shred, 1.0);
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
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--background-writer") {
            options.background_writer = true;
            continue;
        }
        if (i + 1 == argc) {
            std::cerr << "option " << flag << " needs a value\n";
            return 2;
        }
        const std::string value = argv[++i];
        if (flag == "--dir") options.dir = value;
        else if (flag == "--file-mb") options.file_mb = std::stoull(value);
        else if (flag == "--files") options.files = std::stoi(value);
        else if (flag == "--rounds") options.rounds = std::max(1, std::stoi(value));
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
        if (options.only.empty() || options.only == "e") gnu_shred(options);
    } catch (const std::exception& error) {
        std::cerr << "benchmark failed: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
