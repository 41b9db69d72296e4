// How long importing every entry of the real winapp2.ini (about 1.8 MB, 4,067 entries) takes
// with `tavrinapp plugins import FILE --all`, followed by `tavrinapp list`, against reading the
// same file once with awk, both as processes, in rounds that alternate the two sides, as the
// machine may be busy. Target: the import and the listing within 2 seconds.
// Usage: plugin_import_bench [--rules FILE] [--rounds N]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/side_by_side.h"
#include "tests/unit/support/corpora.h"
#include "tests/unit/support/running_program.h"

namespace {

namespace fs = std::filesystem;

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    fs::path rules = tavrin_test::corpus_file("winapp2/Winapp2.ini").value_or("");
    int rounds = 7;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rules") rules = argv[++i];
        else if (arg == "--rounds") rounds = std::stoi(argv[++i]);
    }
    if (rules.empty()) {
        std::fprintf(stderr, "no winapp2.ini: give one with --rules FILE\n");
        return 1;
    }
    const fs::path dir = fs::temp_directory_path() / "tavrin-plugin-import-bench";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path machine = dir / "machine";
    { tavrin_test::RunningProgram installs(machine); }
    const fs::path program = tavrin_test::RunningProgram::binary();
    const std::string on_machine = " --machine " + quoted(machine) + " >/dev/null";
    const std::string import = quoted(program) + " plugins import " + quoted(rules) + " --all --json" + on_machine +
                               " && " + quoted(program) + " list" + on_machine;
    const std::string awk = "awk 'END { print NR }' " + quoted(rules) + " >/dev/null";

    const bench::SideBySide result = bench::side_by_side(rounds, [&] { run(import); }, [&] { run(awk); });
    std::printf("plugins import --all + list of %s: median %.3f s (target 2 s); awk reading it once: median %.4f s\n",
                rules.filename().c_str(), bench::median(result.measured), bench::median(result.baseline));
    std::printf("ratio (wall) median %.1f; ratio (processor) median %.1f; %d rounds; load average %s\n",
                bench::median(result.ratios), bench::median(result.processor_ratios), rounds,
                bench::load_average().c_str());
    fs::remove_all(dir);
    return 0;
}
