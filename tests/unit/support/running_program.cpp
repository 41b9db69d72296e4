#include "tests/unit/support/running_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <nlohmann/json.hpp>

#include <cstring>
#include <regex>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace tavrin_test {

namespace {

using Clock = std::chrono::steady_clock;

// English screens and no desktop, whatever the developer's session has.
std::vector<std::string> program_environment() {
    std::vector<std::string> out;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        for (const char* dropped : {"LC_ALL=", "LC_MESSAGES=", "LANG=", "DISPLAY=", "WAYLAND_DISPLAY="})
            if (text.starts_with(dropped)) goto next;
        out.push_back(text);
    next:;
    }
    out.push_back("LANG=C.UTF-8");
    return out;
}

int wait_for_exit(int pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

std::filesystem::path RunningProgram::binary() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "tavrinapp";
}

RunningProgram::RunningProgram(const std::filesystem::path& machine_dir, std::chrono::seconds start_limit) {
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
    const std::string program = binary().string();
    std::vector<std::string> args{program, "--machine", machine_dir.string(), "--port", "0", "--no-browser"};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = program_environment();
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    if (failed) {
        close(pipe_fds[0]);
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(failed));
    }
    pid_ = pid;
    output_fd_ = pipe_fds[0];
    try {
        read_output_until_ready(start_limit);
    } catch (...) {
        kill_now();
        close(output_fd_);
        throw;
    }
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
    client_->set_tcp_nodelay(true);
    client_->set_keep_alive(true);
    client_->set_read_timeout(std::chrono::seconds(300));
    client_->set_default_headers({{"X-Tavrin-Token", token_}});
}

RunningProgram::~RunningProgram() {
    {
        std::lock_guard held(lock_);
        closing_ = true;
    }
    if (events_client_) events_client_->stop();
    if (events_.joinable()) events_.join();
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        wait_for_exit(pid_);
    }
    if (output_reader_.joinable()) output_reader_.join();  // ends with the program's last output
    if (output_fd_ >= 0) close(output_fd_);
}

void RunningProgram::read_output_until_ready(std::chrono::seconds limit) {
    static const std::regex ready(R"(Tavrin is running at http://127\.0\.0\.1:(\d+)/\?token=([0-9A-Za-z]+))");
    const auto deadline = Clock::now() + limit;
    for (;;) {
        std::smatch match;
        if (std::regex_search(output_, match, ready)) {  // no reader thread yet: output_ is ours
            port_ = std::stoi(match[1]);
            token_ = match[2];
            // What it prints later is still read, so that it never blocks on a full pipe.
            output_reader_ = std::thread([this] {
                char buffer[4096];
                for (ssize_t n; (n = read(output_fd_, buffer, sizeof buffer)) > 0;) {
                    std::lock_guard held(lock_);
                    output_.append(buffer, static_cast<size_t>(n));
                }
            });
            return;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) throw std::runtime_error("tavrinapp printed no address in time:\n" + output_);
        pollfd waiting{output_fd_, POLLIN, 0};
        if (poll(&waiting, 1, static_cast<int>(left)) <= 0) continue;
        char buffer[4096];
        const ssize_t n = read(output_fd_, buffer, sizeof buffer);
        if (n <= 0) throw std::runtime_error("tavrinapp ended before it was ready:\n" + output_);
        output_.append(buffer, static_cast<size_t>(n));
    }
}

std::string RunningProgram::output() {
    std::lock_guard held(lock_);
    return output_;
}

long RunningProgram::command(const std::string& movie, const std::string& name, const std::string& args) {
    const nlohmann::json body = {{"movie", movie}, {"command", name}, {"args", args}};
    auto answer = client_->Post("/api/fscommand", body.dump(), "application/json");
    if (!answer || answer->status != 202) throw std::runtime_error("the command " + name + " was not taken");
    return nlohmann::json::parse(answer->body).at("seq").get<long>();
}

void RunningProgram::wait_idle(long seq) {
    auto answer = client_->Get("/api/idle?after=" + std::to_string(seq));
    if (!answer || answer->status != 200) throw std::runtime_error("no idle answer after request " + std::to_string(seq));
}

std::string RunningProgram::variable(const std::string& movie, const std::string& name) {
    auto answer = client_->Get("/api/vars?movie=" + movie);
    if (!answer || answer->status != 200) throw std::runtime_error("no variables of " + movie);
    const auto vars = nlohmann::json::parse(answer->body);
    return vars.contains(name) ? vars.at(name).get<std::string>() : std::string();
}

void RunningProgram::expect_sets(const std::string& variable, int count) {
    {
        std::lock_guard held(lock_);
        watched_ = variable;
        wanted_ = count;
        seen_ = 0;
    }
    if (!events_client_) listen_to_events();
}

Clock::time_point RunningProgram::wait_for_sets() {
    std::unique_lock held(lock_);
    if (!arrived_.wait_for(held, std::chrono::seconds(300), [this] { return seen_ >= wanted_; }))
        throw std::runtime_error("the expected set events did not come");
    return last_;
}

// Chunks split events anywhere, so only whole events (ending in a blank line) are counted.
void RunningProgram::listen_to_events() {
    events_client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
    events_ = std::thread([this] {
        events_client_->Get("/api/events?token=" + token_, [this](const char* data, size_t length) {
            std::lock_guard held(lock_);
            streaming_ = true;
            pending_.append(data, length);
            size_t start = 0;
            for (size_t end; (end = pending_.find("\n\n", start)) != std::string::npos; start = end + 2)
                note_event(std::string_view(pending_.data() + start, end - start));
            pending_.erase(0, start);
            arrived_.notify_all();
            return !closing_;
        });
    });
    // The first snapshot arrives before any command is sent, so no set event is missed.
    std::unique_lock held(lock_);
    arrived_.wait_for(held, std::chrono::seconds(30), [this] { return streaming_; });
}

void RunningProgram::note_event(std::string_view event) {
    const size_t data = event.find("data: ");
    if (data == std::string_view::npos) return;
    const auto json = nlohmann::json::parse(event.substr(data + 6), nullptr, false);
    if (!json.is_object() || json.value("type", "") != "set") return;
    const std::string name = json.value("name", "");
    sets_.emplace_back(name, json.value("value", ""));
    if (name == watched_ && ++seen_ == wanted_) last_ = Clock::now();
}

std::vector<std::string> RunningProgram::values_set(const std::string& variable) {
    std::lock_guard held(lock_);
    std::vector<std::string> values;
    for (const auto& [name, value] : sets_)
        if (name == variable) values.push_back(value);
    return values;
}

bool RunningProgram::log_says(const std::string& text) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (const std::string& line : values_set("_root.LogFile"))
            if (line.find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void RunningProgram::kill_now() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    wait_for_exit(pid_);
    pid_ = -1;
}

}  // namespace tavrin_test
