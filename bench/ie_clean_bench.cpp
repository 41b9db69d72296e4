// Cleaning the cache and the cookies of a busy browser: 20,000 cache entries of 1-16 KB and
// 5,000 cookies, cleaned by the Internet Explorer run with the cache and cookie items ticked,
// against `rm -rf` of the same files laid out the same way, side by side in one run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

#include "app/features/cleaning/cleaning_run.h"
#include "app/kernel/shell.h"
#include "app/kernel/stage.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kCacheEntries = 20'000;
constexpr int kCookies = 5'000;
constexpr int kBuckets = 4;

// The run needs a screen to relay its log lines to; nothing is shown here.
class SilentStage : public app::Stage {
public:
    void set_variable(const std::string&, const std::string&, const std::string&) override {}
    std::string get_variable(const std::string&, const std::string&) const override { return {}; }
    void load_movie(const std::string&, const std::string&) override {}
    void goto_frame(const std::string&, const std::string&, int) override {}
    void show_window(const std::string&) override {}
    void hide_window(const std::string&) override {}
    bool window_visible(const std::string&) const override { return false; }
    void set_busy(bool) override {}
    void open_url(const std::string&) override {}
    void open_machine_file(const std::string&) override {}
    void on_command(const std::string&, CommandHandler) override {}
    void add_timer(std::chrono::milliseconds, std::function<void()>) override {}
    bool show_modal(const std::string&, const std::function<bool()>&) override { return false; }
    std::optional<std::string> ask_open_file(const std::string&) override { return std::nullopt; }
    std::optional<std::string> ask_folder(const std::string&) override { return std::nullopt; }
    std::optional<std::string> ask_text(const std::string&) override { return std::nullopt; }
    void process_pending() override {}
    void quit() override {}
};

void write_file(const stdfs::path& path, size_t size) {
    std::string data(size, 'x');
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

// The same files (same sizes, same names) every time: the seed is fixed.
void fill(const stdfs::path& cache, const stdfs::path& cookies) {
    std::mt19937 random(4711);
    std::string index = "TAVRIN-INDEX 1 cache\n";
    for (int b = 0; b < kBuckets; ++b) stdfs::create_directories(cache / "Content.IE5" / ("BUCKET0" + std::to_string(b)));
    for (int i = 0; i < kCacheEntries; ++i) {
        std::string bucket = "BUCKET0" + std::to_string(i % kBuckets);
        std::string name = "page" + std::to_string(i) + "[1].htm";
        size_t size = 1024 + random() % (15 * 1024 + 1);
        write_file(cache / "Content.IE5" / bucket / name, size);
        index += "+\thttp://site" + std::to_string(i % 97) + ".example/page" + std::to_string(i) +
                 "\tContent.IE5\\\\" + bucket + "\\\\" + name + "\t" + std::to_string(size) + "\t1\n";
    }
    std::ofstream(cache / "urlcache.idx", std::ios::binary) << index;
    stdfs::create_directories(cookies);
    for (int i = 0; i < kCookies; ++i)
        write_file(cookies / ("user@site" + std::to_string(i) + "[1].txt"), 64 + random() % 512);
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
    stdfs::path work = stdfs::temp_directory_path() / ("tavrin-ie-bench-" + std::to_string(std::random_device{}()));
    auto machine = platform::Machine::open_or_create(work / "machine");
    platform::install_program_folder(*machine, stdfs::path(__FILE__).parent_path().parent_path() / "skin");
    platform::set_current_machine(machine.get());

    auto host = [&](const std::string& shell_folder) {
        return *machine->files().to_host(platform::inet::user_shell_folder(*machine, shell_folder));
    };
    stdfs::path cache = host("Cache"), cookies = host("Cookies");

    fill(cache, cookies);
    SilentStage stage;
    app::Shell shell(stage, {platform::kProgramFolder, "tavrinapp", 2, 1, 7});
    auto start = Clock::now();
    app::cleanIE(shell, "0,0,0,1,0,1");
    double clean = seconds_since(start);
    size_t left = 0;
    for (auto& item : stdfs::recursive_directory_iterator(cache)) left += item.is_regular_file();
    for (auto& item : stdfs::recursive_directory_iterator(cookies)) left += item.is_regular_file();

    stdfs::path baseline = work / "baseline";
    fill(baseline / "cache", baseline / "cookies");
    std::string command = "rm -rf '" + (baseline / "cache").string() + "' '" + (baseline / "cookies").string() + "'";
    start = Clock::now();
    int status = std::system(command.c_str());
    double remove = seconds_since(start);

    platform::set_current_machine(nullptr);
    machine.reset();
    stdfs::remove_all(work);

    std::printf("cleanIE (cache + cookies): %.3f s, files left: %zu (the cache index)\n", clean, left);
    std::printf("rm -rf of the same files:  %.3f s (exit %d)\n", remove, status);
    std::printf("ratio cleanIE / rm -rf:    %.1f\n", clean / remove);
    return left > 1 || status != 0;
}
