// How the machine's file layer compares with the host doing the same work directly:
//   1. a large in-place write through File (as the shredder does) against dd with conv=fsync;
//   2. a recursive FindFirstFile-style walk against a plain std::filesystem walk;
//   3. a walk that looks at the attributes and size of every file (as the shredder does before
//      it overwrites one), by Windows path and through folders opened once.
// Usage: fs_bench [MEGABYTES=1024] [FILES=20000]   (run from a folder on the disk to measure)
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "platform/machine/machine.h"

namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds(const std::function<void()>& work) {
    auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void write_through_file(platform::fs::FileSystem& files, const std::string& path, uint64_t megabytes) {
    std::vector<uint8_t> block(1 << 20, 0);
    auto file = files.open(path, platform::fs::File::Mode::CreateAlways);
    for (uint64_t i = 0; i < megabytes; ++i) file.write_at(i * block.size(), block);
    file.sync();
    file.close();
}

uint64_t walk_machine(platform::fs::FileSystem& files, const std::string& folder) {
    uint64_t count = 0;
    for (const auto& entry : files.find(folder + "\\*")) {
        if (entry.name == "." || entry.name == "..") continue;
        ++count;
        bool real_folder = (entry.attributes & platform::fs::attr::Directory) &&
                           !(entry.attributes & platform::fs::attr::ReparsePoint);
        if (real_folder) count += walk_machine(files, folder + "\\" + entry.name);
    }
    return count;
}

// `files` is the FileSystem with full paths, or a Folder with entry names.
template <class Files>
void look_at(const Files& files, const std::string& name) {
    if (!files.attributes(name) || !files.file_size(name)) std::cerr << "cannot look at " << name << "\n";
}

uint64_t look_by_path(platform::fs::FileSystem& files, const std::string& folder) {
    uint64_t count = 0;
    for (const auto& entry : files.find(folder + "\\*")) {
        if (entry.name == "." || entry.name == "..") continue;
        ++count;
        if (entry.attributes & platform::fs::attr::Directory)
            count += look_by_path(files, folder + "\\" + entry.name);
        else
            look_at(files, folder + "\\" + entry.name);
    }
    return count;
}

uint64_t look_in_folders(const platform::fs::Folder& folder) {
    uint64_t count = 0;
    for (const auto& entry : folder.entries()) {
        ++count;
        if (auto subfolder = folder.subfolder(entry.name))
            count += look_in_folders(*subfolder);
        else
            look_at(folder, entry.name);
    }
    return count;
}

uint64_t walk_host(const stdfs::path& folder) {
    uint64_t count = 0;
    for (auto it = stdfs::recursive_directory_iterator(folder); it != stdfs::recursive_directory_iterator(); ++it) {
        it->symlink_status();
        ++count;
    }
    return count;
}

void make_tree(const stdfs::path& root, int files) {
    for (int i = 0; i < files; ++i) {
        stdfs::path folder = root / ("folder" + std::to_string(i / 100));
        if (i % 100 == 0) stdfs::create_directories(folder);
        std::ofstream(folder / ("file" + std::to_string(i) + ".tmp")) << i;
    }
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    int tree_files = argc > 2 ? std::atoi(argv[2]) : 20000;
    stdfs::path dir = stdfs::absolute("fs-bench-" + std::to_string(std::random_device{}()));
    auto machine = platform::Machine::open_or_create(dir / "machine");
    auto& files = machine->files();

    stdfs::path dd_file = dir / "machine" / "drive_c" / "dd.bin";
    std::string dd = "dd if=/dev/zero of='" + dd_file.string() + "' bs=1M count=" + std::to_string(megabytes) +
                     " conv=fsync status=none";
    double dd_time = seconds([&] {
        if (std::system(dd.c_str()) != 0) std::cerr << "dd failed\n";
    });
    stdfs::remove(dd_file);
    double file_time = seconds([&] { write_through_file(files, "C:\\file.bin", megabytes); });
    files.delete_file("C:\\file.bin");
    std::cout << "write " << megabytes << " MB + fsync: File " << file_time << " s, dd " << dd_time
              << " s; throughput ratio File/dd = " << dd_time / file_time << " (target >= 0.8)\n";

    make_tree(dir / "machine" / "drive_c" / "tree", tree_files);
    uint64_t host_count = 0, machine_count = 0;
    double host_time = seconds([&] { host_count = walk_host(dir / "machine" / "drive_c" / "tree"); });
    double machine_time = seconds([&] { machine_count = walk_machine(files, "C:\\tree"); });
    std::cout << "walk of " << machine_count << " entries (host saw " << host_count << "): find() " << machine_time
              << " s, plain walk " << host_time << " s; time ratio = " << machine_time / host_time << "\n";

    uint64_t by_path_count = 0, in_folders_count = 0;
    double by_path_time = seconds([&] { by_path_count = look_by_path(files, "C:\\tree"); });
    double in_folders_time = seconds([&] { in_folders_count = look_in_folders(*files.open_folder("C:\\tree")); });
    std::cout << "walk of " << in_folders_count << " entries (by path " << by_path_count
              << ") looking at every file: through opened folders " << in_folders_time << " s, by Windows path "
              << by_path_time << " s, plain walk " << host_time << " s; time ratios = "
              << in_folders_time / host_time << " and " << by_path_time / host_time << "\n";

    machine.reset();
    stdfs::remove_all(dir);
    return 0;
}
