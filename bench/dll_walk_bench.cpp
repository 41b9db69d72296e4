// The DLL scan's walk over a whole drive against `find DIR -name '*.dll'` on the same tree: a
// generated drive of FILES files in FOLDERS folders, one file in a hundred a DLL.
// Usage: dll_walk_bench [FILES=200000] [FOLDERS=20000]   (run from a folder on the disk to measure)
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "app/features/dll/file_walk.h"
#include "platform/machine/machine.h"

namespace {

namespace stdfs = std::filesystem;

double seconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Folders ten to a parent, so the tree is a few levels deep; files spread evenly over them.
void generate(const stdfs::path& root, long files, long folders) {
    std::vector<stdfs::path> made{root};
    for (long i = 1; i < folders; ++i) {
        made.push_back(made[(i - 1) / 10] / ("folder" + std::to_string(i)));
        stdfs::create_directory(made.back());
    }
    for (long i = 0; i < files; ++i) {
        const char* extension = i % 100 == 0 ? ".dll" : ".txt";
        std::ofstream(made[i % folders] / ("file" + std::to_string(i) + extension)) << "x";
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long files = argc > 1 ? std::atol(argv[1]) : 200000;
    const long folders = argc > 2 ? std::atol(argv[2]) : 20000;
    const stdfs::path dir = stdfs::absolute("dll-walk-bench");
    stdfs::remove_all(dir);
    auto machine = platform::Machine::open_or_create(dir / "machine");
    const stdfs::path tree = dir / "machine" / "drive_c" / "tree";
    stdfs::create_directories(tree);
    std::cout << "generating " << files << " files in " << folders << " folders ...\n";
    generate(tree, files, folders);

    // One walk of each first, so both start from a warm cache.
    const std::string find = "find '" + tree.string() + "' -name '*.dll' > /dev/null";
    auto run_find = [&] {
        if (std::system(find.c_str()) != 0) std::cerr << "find failed\n";
    };
    std::string list;
    auto run_collect = [&] {
        std::string folder = "C:\\tree";
        app::WalkCounts counts;
        list.clear();
        app::collectFiles(machine->files(), folder, "*.dll", counts, list);
    };
    run_find();
    run_collect();
    const double find_time = seconds(run_find);
    const double collect_time = seconds(run_collect);
    size_t listed = 0;
    for (char c : list) listed += c == '|';
    std::cout << "collectFiles " << collect_time << " s (" << listed << " DLLs), find " << find_time
              << " s; time ratio collectFiles/find = " << collect_time / find_time << " (target <= 1.5)\n";
    stdfs::remove_all(dir);
    return 0;
}
