// The layers are a rule of the build, not a habit: the program (app/) may use the engine and the
// platform, the engine (engine/) the platform, and the platform (platform/) only itself. Host and
// library headers stay in platform/, where the stand-in for Windows lives, and the program reaches
// its features only through the one list of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kSource = TAVRIN_SOURCE_DIR;

// How far down a folder is: a file may include its own layer and the ones below it.
std::optional<int> layer_of(const std::string& path) {
    if (path.starts_with("platform/")) return 0;
    if (path.starts_with("engine/")) return 1;
    if (path.starts_with("app/")) return 2;
    return std::nullopt;
}

bool is_standard_header(const std::string& name) {
    static const std::regex standard("[a-z_0-9]+");
    return std::regex_match(name, standard);
}

// What is wrong with `file` (a path below the source folder) including `header`; nothing when the
// include is allowed. `angled` is an include written with <...>.
std::optional<std::string> include_fault(const std::string& file, const std::string& header, bool angled) {
    auto own = layer_of(file);
    if (!own) return std::nullopt;
    if (angled) {
        if (*own == 0 || is_standard_header(header)) return std::nullopt;
        return "includes the host or library header <" + header +
               ">: only platform/ may; wrap what you need in a "
               "platform/ function and include that";
    }
    auto target = layer_of(header);
    if (!target) return "includes \"" + header + "\", which is not in app/, engine/ or platform/";
    if (*target > *own) {
        return "includes \"" + header +
               "\", a layer above its own (app -> engine -> platform): move what both "
               "need down, or hand it in from above (an event, a callback)";
    }
    if (*own == 1 && header.starts_with("platform/movie/"))
        return "includes \"" + header + "\": the movie player belongs to the program, not to the engine";
    if (header.starts_with("app/features/") && !file.starts_with("app/features/") &&
        file != "app/kernel/feature_rows.cpp") {
        return "includes \"" + header +
               "\": features are reached only through register_features "
               "(app/kernel/feature_rows.cpp)";
    }
    return std::nullopt;
}

struct Include {
    std::string header;
    bool angled = false;
    int line = 0;
};

std::vector<Include> includes_of(const std::filesystem::path& file) {
    static const std::regex directive(R"re(^\s*#\s*include\s*([<"])([^>"]+)[>"])re");
    std::vector<Include> found;
    std::ifstream in(file);
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        std::smatch match;
        if (std::regex_search(text, match, directive)) found.push_back({match[2], match[1] == "<", number});
    }
    return found;
}

TEST(Layers, EveryIncludePointsDownAndHostHeadersStayInPlatform) {
    int files = 0;
    for (const char* layer : {"app", "engine", "platform"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(kSource / layer)) {
            auto extension = entry.path().extension();
            if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
            ++files;
            auto file = std::filesystem::relative(entry.path(), kSource).generic_string();
            for (const auto& include : includes_of(entry.path()))
                if (auto fault = include_fault(file, include.header, include.angled))
                    ADD_FAILURE() << file << ":" << include.line << " " << *fault << ".";
        }
    }
    EXPECT_GT(files, 100) << "the source folders were not found under " << kSource;
}

TEST(Layers, TheRuleRefusesWhatPointsUpOrOutside) {
    EXPECT_TRUE(include_fault("engine/foundation/text.cpp", "app/kernel/shell.h", false));
    EXPECT_TRUE(include_fault("platform/fs/fs.cpp", "engine/foundation/os.h", false));
    EXPECT_TRUE(include_fault("engine/tools/ram.cpp", "platform/movie/movie_player.h", false));
    EXPECT_TRUE(include_fault("engine/tools/ram.cpp", "unistd.h", true));
    EXPECT_TRUE(include_fault("app/kernel/shell.cpp", "sys/stat.h", true));
    EXPECT_TRUE(include_fault("app/kernel/shell.cpp", "httplib.h", true));
    EXPECT_TRUE(include_fault("app/windows/log_window.cpp", "app/features/shredder/drive_lists.h", false));
    EXPECT_TRUE(include_fault("app/kernel/shell.cpp", "tests/unit/support/temp_machine.h", false));
}

TEST(Layers, TheRuleAllowsWhatPointsDown) {
    EXPECT_FALSE(include_fault("app/features/shredder/shredder_commands.cpp", "engine/shredder/shredder.h", false));
    EXPECT_FALSE(include_fault("app/main.cpp", "platform/movie/movie_player.h", false));
    EXPECT_FALSE(include_fault("app/kernel/feature_rows.cpp", "app/features/memory/memory_slider.h", false));
    EXPECT_FALSE(include_fault("engine/shredder/shredder.cpp", "platform/fs/fs.h", false));
    EXPECT_FALSE(include_fault("platform/fs/fs.cpp", "sys/stat.h", true));
    EXPECT_FALSE(include_fault("engine/tools/ram.cpp", "string_view", true));
}

}  // namespace
