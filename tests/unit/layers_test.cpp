// The layer check the build runs before it compiles anything (tools/layer_check): a crafted tree
// with one fault of each kind stops it with the file and line of every fault, in whatever kind
// of source the fault sits, and a tree that keeps the rules passes.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string output;
};

class LayerCheckTest : public ::testing::Test {
protected:
    LayerCheckTest() { fs::create_directories(root); }
    ~LayerCheckTest() override { fs::remove_all(root); }

    void write(const std::string& path, const std::string& text) {
        fs::create_directories((root / path).parent_path());
        std::ofstream(root / path) << text;
    }

    Outcome check() {
        const std::string command = std::string(TAVRIN_CHECK_LAYERS) + " '" + root.string() + "' 2>&1";
        Outcome outcome;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return outcome;
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) outcome.output.append(buffer, n);
        const int status = pclose(pipe);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }

    const fs::path root = fs::temp_directory_path() / ("layer-check-" + std::to_string(getpid()));
};

TEST_F(LayerCheckTest, EachFaultStopsTheCheckWithItsFileAndLine) {
    write("platform/fs/fs.h", "#pragma once\n#include <sys/stat.h>\n");
    write("engine/tools/ram.cpp", "#include <string_view>\n#include \"platform/fs/fs.h\"\n");
    write("engine/tools/rows.inc", "// a table\n#include \"app/kernel/shell.h\"\n");
    write("engine/tools/host.hpp", "  #  include <unistd.h>\n");
    write("engine/tools/player.cc", "#include \"platform/movie/movie_player.h\"\n");
    write("app/windows/log_window.cpp", "#include \"app/features/shredder/drive_lists.h\"\n");
    write("app/kernel/shell.cpp", "#include \"tests/unit/support/temp_machine.h\"\n");
    const Outcome outcome = check();
    EXPECT_EQ(outcome.status, 1) << outcome.output;
    for (const char* at : {"engine/tools/rows.inc:2: error", "engine/tools/host.hpp:1: error", "engine/tools/player.cc:1: error",
                           "app/windows/log_window.cpp:1: error", "app/kernel/shell.cpp:1: error"})
        EXPECT_NE(outcome.output.find((root / at).string()), std::string::npos) << at << " in:\n" << outcome.output;
    EXPECT_EQ(outcome.output.find("platform/fs/fs.h:"), std::string::npos) << outcome.output;
    EXPECT_EQ(outcome.output.find("engine/tools/ram.cpp:"), std::string::npos) << outcome.output;
}

TEST_F(LayerCheckTest, ATreeThatKeepsTheRulesPassesSilently) {
    write("platform/fs/fs.h", "#include <sys/stat.h>\n#include \"platform/registry/registry.h\"\n");
    write("engine/tools/ram.cpp", "#include <string>\n#include \"platform/fs/fs.h\"\n#include \"engine/foundation/hooks.h\"\n");
    write("app/program/feature_rows.cpp", "#include \"app/features/memory/memory_rows.h\"\n");
    write("app/main.cpp", "#include \"platform/movie/movie_player.h\"\n");
    write("app/demo/viewer_control.dll", "MZ #include <unistd.h>");
    const Outcome outcome = check();
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(outcome.output, "");
}

}  // namespace
