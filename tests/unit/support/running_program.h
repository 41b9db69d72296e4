#pragma once
// The built tavrinapp as a separate process on a machine folder, driven through the movie
// protocol as a page drives it: commands, the idle wait, the event stream, and an abrupt end.
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Client;
}

namespace tavrin_test {

class RunningProgram {
public:
    // tavrinapp beside the running test or benchmark.
    static std::filesystem::path binary();

    // Starts it (no browser, a free port) and waits for the address it prints; throws
    // std::runtime_error with what it said when it ends or stays silent first.
    explicit RunningProgram(const std::filesystem::path& machine_dir,
                            std::chrono::seconds start_limit = std::chrono::seconds(120));
    ~RunningProgram();  // SIGTERM, then waits for it
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // One FSCommand of a movie; returns its sequence number.
    long command(const std::string& movie, const std::string& name, const std::string& args);
    // Until every request up to seq is handled and the program waits for input.
    void wait_idle(long seq);
    // A movie variable as the program holds it now.
    std::string variable(const std::string& movie, const std::string& name);

    // Listens to the event stream; wait_for_sets returns once `count` set events of the variable
    // arrived since expect_sets was called, with the moment the last one came.
    void expect_sets(const std::string& variable, int count);
    std::chrono::steady_clock::time_point wait_for_sets();
    // Every value a variable was set to (in any movie) since the first expect_sets.
    std::vector<std::string> values_set(const std::string& variable);
    // Whether a log window line holding `text` arrives within 5 s (log lines may trail the idle
    // answer a little).
    bool log_says(const std::string& text);

    // SIGKILL, and waits until it is gone.
    void kill_now();
    bool running() const { return pid_ > 0; }
    // Everything it printed so far (stdout and stderr).
    std::string output();

private:
    void read_output_until_ready(std::chrono::seconds limit);
    void listen_to_events();
    void note_event(std::string_view event);

    int pid_ = -1;
    int output_fd_ = -1;
    std::string output_;
    std::thread output_reader_;
    int port_ = 0;
    std::string token_;
    std::unique_ptr<httplib::Client> client_;

    std::unique_ptr<httplib::Client> events_client_;
    std::thread events_;
    bool closing_ = false;
    bool streaming_ = false;
    std::mutex lock_;
    std::condition_variable arrived_;
    std::string pending_;
    std::vector<std::pair<std::string, std::string>> sets_;  // name and value of each set event
    std::string watched_;
    int wanted_ = 0;
    int seen_ = 0;
    std::chrono::steady_clock::time_point last_;
};

}  // namespace tavrin_test
