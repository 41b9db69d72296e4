#include "tests/unit/support/wine_prefix.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace tavrin_test {

namespace {

// Single quotes for the shell: the text travels as one word, whatever it holds.
std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        if (c == '\'') result += "'\\''";
        else result += c;
    }
    return result + "'";
}

std::filesystem::path new_prefix_folder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto dir = std::filesystem::temp_directory_path() / ("tavrin-wine-" + std::to_string(random()));
        if (!std::filesystem::exists(dir)) return dir;
    }
    throw std::runtime_error("cannot choose a folder for a Wine prefix");
}

}  // namespace

bool WinePrefix::available() {
    return std::system("command -v wine >/dev/null 2>&1 && command -v wineboot >/dev/null 2>&1 && "
                       "command -v wineserver >/dev/null 2>&1") == 0;
}

WinePrefix::WinePrefix() : dir_(new_prefix_folder()), home_(dir_.string() + ".home") {
    std::filesystem::create_directories(home_ / ".config");
    if (run("wineboot -i") != 0) throw std::runtime_error("wineboot could not create a prefix in " + dir_.string());
    stop_server();
}

std::unique_ptr<WinePrefix> WinePrefix::make(std::string& why_not) {
    if (!available()) {
        why_not = "Wine is not installed here (Debian packages wine, wine64)";
        return nullptr;
    }
    try {
        return std::make_unique<WinePrefix>();
    } catch (const std::runtime_error& error) {
        why_not = std::string("Wine cannot set up a prefix here: ") + error.what();
        return nullptr;
    }
}

WinePrefix::~WinePrefix() {
    stop_server();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    std::filesystem::remove_all(home_, ec);
}

bool WinePrefix::reg_add(const std::string& key, const std::string& name, const std::string& data) {
    return run("wine reg add " + quoted(key) + " /v " + quoted(name) + " /d " + quoted(data) + " /f") == 0;
}

bool WinePrefix::reg_query(const std::string& key, const std::string& name, std::string* output) {
    return run("wine reg query " + quoted(key) + (name.empty() ? "" : " /v " + quoted(name)), output) == 0;
}

bool WinePrefix::start_server() { return run("wineserver -p") == 0; }

void WinePrefix::stop_server() { run("wineserver -k; wineserver -w"); }

// No display: nothing of Wine may show a window during a test. wineboot links the user's Desktop,
// Documents, Music and more in the prefix to the home folder and the desktop's own folders, so
// those point at a stand-in: nothing a test does to the prefix may reach the real ones.
int WinePrefix::run(const std::string& command, std::string* output) {
    const auto captured = dir_.parent_path() / (dir_.filename().string() + ".out");
    const std::string line = "env -u DISPLAY -u WAYLAND_DISPLAY HOME=" + quoted(home_.string()) +
                             " XDG_CONFIG_HOME=" + quoted((home_ / ".config").string()) +
                             " WINEPREFIX=" + quoted(dir_.string()) + " WINEDEBUG=-all sh -c " + quoted(command) +
                             " >" + quoted(captured.string()) + " 2>&1";
    const int status = std::system(line.c_str());
    if (output) {
        std::ifstream in(captured, std::ios::binary);
        output->assign(std::istreambuf_iterator<char>(in), {});
    }
    std::error_code ec;
    std::filesystem::remove(captured, ec);
    return status;
}

}  // namespace tavrin_test
