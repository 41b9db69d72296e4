// How much the movie player adds to a page's round trip: 10,000 commands, each of which makes the
// program set one variable, timed until the last `set` event reaches a listening page, against
// 10,000 bare HTTP round trips to the same server measured in the same run. Target: within 2 times.
#include <httplib.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/movie/movie_player.h"

namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

constexpr int kRequests = 10000;
constexpr int kRounds = 3;

// A page that counts the `set` events of the benchmark variable and notes when the last one came.
class SetCounter {
public:
    SetCounter(int port, const std::string& token) : client_("127.0.0.1", port) {
        reader_ = std::thread([this, token] {
            client_.Get("/api/events?token=" + token, [this](const char* data, size_t length) {
                count(std::string_view(data, length));
                return !closing_;
            });
        });
    }
    ~SetCounter() {
        closing_ = true;
        client_.stop();
        reader_.join();
    }
    void expect(int sets) {
        std::lock_guard held(lock_);
        seen_ = 0;
        wanted_ = sets;
    }
    Clock::time_point wait_for_last() {
        std::unique_lock held(lock_);
        arrived_.wait(held, [this] { return seen_ >= wanted_; });
        return last_;
    }

private:
    // Chunks split events anywhere, so only whole events (ending in a blank line) are counted.
    void count(std::string_view chunk) {
        std::lock_guard held(lock_);
        pending_ += chunk;
        std::size_t start = 0;
        for (std::size_t end; (end = pending_.find("\n\n", start)) != std::string::npos; start = end + 2) {
            std::string_view event(pending_.data() + start, end - start);
            if (event.find("\"_root.Counter\"") != std::string_view::npos && ++seen_ == wanted_) {
                last_ = Clock::now();
                arrived_.notify_all();
            }
        }
        pending_.erase(0, start);
    }

    httplib::Client client_;
    std::thread reader_;
    std::atomic<bool> closing_{false};
    std::mutex lock_;
    std::condition_variable arrived_;
    std::string pending_;
    int seen_ = 0;
    int wanted_ = -1;
    Clock::time_point last_;
};

double seconds_since(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double>(end - start).count();
}

double bare_round_trips(httplib::Client& page, const httplib::Headers& auth) {
    const auto start = Clock::now();
    for (int i = 0; i < kRequests; ++i) {
        auto answer = page.Get("/api/vars?movie=bench", auth);
        if (!answer || answer->status != 200) throw std::runtime_error("round trip failed");
    }
    return seconds_since(start, Clock::now());
}

double commands_until_last_set(httplib::Client& page, const httplib::Headers& auth, SetCounter& counter) {
    counter.expect(kRequests);
    const auto start = Clock::now();
    for (int i = 0; i < kRequests; ++i) {
        json body = {{"movie", "main"}, {"command", "IDC_FS_BENCH"}, {"args", std::to_string(i)}};
        auto answer = page.Post("/api/fscommand", auth, body.dump(), "application/json");
        if (!answer || answer->status != 202) throw std::runtime_error("command failed");
    }
    return seconds_since(start, counter.wait_for_last());
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    platform::movie::Options options;
    options.skin_folder = std::filesystem::temp_directory_path();
    platform::movie::MoviePlayer player(options);
    player.start();
    player.on_command("main", [&](const platform::movie::Command& command) {
        player.set_variable("main", "_root.Counter", command.args);
    });
    std::thread ui([&] { player.run(); });

    httplib::Client page("127.0.0.1", player.port());
    page.set_tcp_nodelay(true);
    page.set_keep_alive(true);
    const httplib::Headers auth = {{"X-Tavrin-Token", player.token()}};
    SetCounter counter(player.port(), player.token());

    std::vector<double> baseline;
    std::vector<double> measured;
    for (int round = 0; round < kRounds; ++round) {
        baseline.push_back(bare_round_trips(page, auth));
        measured.push_back(commands_until_last_set(page, auth, counter));
        std::printf("round %d: %d bare round trips %.3f s, %d commands until the last set event %.3f s\n", round + 1,
                    kRequests, baseline.back(), kRequests, measured.back());
    }
    const double ratio = median(measured) / median(baseline);
    std::printf("movie commands / bare round trips (median of %d): %.2f (target: at most 2.00)\n", kRounds, ratio);

    player.quit();
    ui.join();
    return 0;
}
