// The layer check the build runs before it compiles anything (tools/layer_check): a crafted tree
// with one fault of each kind stops it with the file and line of every fault, in whatever kind
// of source the fault sits, folders of one layer that include each other in a loop stop it at
// every include of the loop, and a tree that keeps the rules passes.
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
    write("app/kernel/shell.cpp", "#include \"tests/unit/support/temp_machine.h\"\n#include \"engine/tools/ram.h\"\n");
    const Outcome outcome = check();
    EXPECT_EQ(outcome.status, 1) << outcome.output;
    for (const char* at : {"engine/tools/rows.inc:2: error", "engine/tools/host.hpp:1: error", "engine/tools/player.cc:1: error",
                           "app/windows/log_window.cpp:1: error", "app/kernel/shell.cpp:1: error"})
        EXPECT_NE(outcome.output.find((root / at).string()), std::string::npos) << at << " in:\n" << outcome.output;
    EXPECT_EQ(outcome.output.find("platform/fs/fs.h:"), std::string::npos) << outcome.output;
    EXPECT_EQ(outcome.output.find("engine/tools/ram.cpp:"), std::string::npos) << outcome.output;
    // The upward include closes a loop only across layers: it is told once, as what it is.
    EXPECT_EQ(outcome.output.find("cycle"), std::string::npos) << outcome.output;
}

TEST_F(LayerCheckTest, FoldersOfOneLayerIncludingEachOtherInALoopStopTheCheckAtEveryInclude) {
    write("platform/fs/fs.h", "#pragma once\n#include \"platform/machine/machine.h\"\n");
    write("platform/machine/machine.cpp", "#include \"platform/fs/fs.h\"\n");
    write("app/kernel/shell.cpp", "#include \"app/kernel/shell.h\"\n#include \"app/windows/log.h\"\n");
    write("app/windows/log.cpp", "#include \"app/settings/user.h\"\n");
    write("app/settings/user.cpp", "#include \"app/kernel/shell.h\"\n");
    const Outcome outcome = check();
    EXPECT_EQ(outcome.status, 1) << outcome.output;
    const std::string two = " (cycle: platform/fs -> platform/machine -> platform/fs)\n";
    const std::string three = " (cycle: app/kernel -> app/windows -> app/settings -> app/kernel)\n";
    for (const std::string& fault : {"platform/fs/fs.h:2: error: platform/fs -> platform/machine" + two,
                                     "platform/machine/machine.cpp:1: error: platform/machine -> platform/fs" + two,
                                     "app/kernel/shell.cpp:2: error: app/kernel -> app/windows" + three,
                                     "app/windows/log.cpp:1: error: app/windows -> app/settings" + three,
                                     "app/settings/user.cpp:1: error: app/settings -> app/kernel" + three})
        EXPECT_NE(outcome.output.find((root / fault).string()), std::string::npos) << fault << " in:\n" << outcome.output;
}

TEST_F(LayerCheckTest, ATreeThatKeepsTheRulesPassesSilently) {
    write("platform/fs/fs.h", "#include <sys/stat.h>\n#include \"platform/registry/registry.h\"\n");
    write("engine/tools/ram.cpp", "#include <string>\n#include \"platform/fs/fs.h\"\n#include \"engine/foundation/hooks.h\"\n");
    write("app/program/feature_rows.cpp", "#include \"app/features/memory/memory_rows.h\"\n");
    // Two ways down to one folder, and a file of its own folder, are no loop.
    write("app/features/memory/memory_rows.h", "#include \"app/features/shredder/drives.h\"\n#include \"app/kernel/shell.h\"\n");
    write("app/features/shredder/drives.h", "#include \"app/kernel/shell.h\"\n");
    write("app/kernel/shell.h", "#include \"app/kernel/stage.h\"\n");
    write("app/main.cpp", "#include \"platform/movie/movie_player.h\"\n");
    write("app/demo/viewer_control.dll", "MZ #include <unistd.h>");
    const Outcome outcome = check();
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(outcome.output, "");
}

}  // namespace
