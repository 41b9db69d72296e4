#include "platform/shell/wine_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/machine/wineserver.h"

extern char** environ;

namespace platform::shell {

namespace {

namespace stdfs = std::filesystem;

std::optional<stdfs::path> on_path(std::string_view program) {
    const char* path = std::getenv("PATH");
    if (!path) return std::nullopt;
    std::string_view folders(path);
    while (!folders.empty()) {
        auto end = folders.find(':');
        auto folder = folders.substr(0, end);
        if (!folder.empty()) {
            auto candidate = stdfs::path(folder) / program;
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        if (end == std::string_view::npos) break;
        folders.remove_prefix(end + 1);
    }
    return std::nullopt;
}

// The environment of this process with the prefix set and Wine's own diagnostics off.
std::vector<std::string> wine_environment(const Machine& machine) {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        std::string_view text(*variable);
        if (text.starts_with("WINEPREFIX=") || text.starts_with("WINEDEBUG=")) continue;
        variables.emplace_back(text);
    }
    variables.push_back("WINEPREFIX=" + machine.dir().string());
    variables.push_back("WINEDEBUG=-all");
    return variables;
}

std::vector<char*> pointers_to(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts the program with its output discarded (Wine writes much of its own).
pid_t spawn_quietly(const stdfs::path& program, std::vector<std::string> arguments,
                    std::vector<std::string> environment) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    auto argv = pointers_to(arguments);
    auto envp = pointers_to(environment);
    pid_t pid = 0;
    int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw WineError(program.string() + " could not be started: " + std::strerror(failed) + ".");
    return pid;
}

// The exit status, or nothing when the deadline came first; the process is ended then.
std::optional<int> wait_for(pid_t pid, const stdfs::path& program,
                            std::optional<std::chrono::steady_clock::time_point> deadline) {
    int status = 0;
    for (;;) {
        pid_t ended = waitpid(pid, &status, deadline ? WNOHANG : 0);
        if (ended == pid) break;
        if (ended < 0 && errno != EINTR) throw WineError(program.string() + " was lost: " + std::strerror(errno) + ".");
        if (ended == 0 && std::chrono::steady_clock::now() >= *deadline) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return std::nullopt;
        }
        if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    throw WineError(program.string() + " ended by signal " + std::to_string(WTERMSIG(status)) + ".");
}

int run_and_wait(const stdfs::path& program, std::vector<std::string> arguments, std::vector<std::string> environment) {
    return *wait_for(spawn_quietly(program, std::move(arguments), std::move(environment)), program, std::nullopt);
}

// The hive files as they lie on disk; Wine changed the registry when these differ.
std::vector<std::pair<stdfs::file_time_type, std::uintmax_t>> hive_stamps(const Machine& machine) {
    std::vector<std::pair<stdfs::file_time_type, std::uintmax_t>> stamps;
    for (const char* hive : {"system.reg", "user.reg", "userdef.reg"}) {
        std::error_code error;
        const auto file = machine.dir() / hive;
        stamps.emplace_back(stdfs::last_write_time(file, error), stdfs::file_size(file, error));
    }
    return stamps;
}

}  // namespace

bool wine_runs(const Machine& machine) {
    std::error_code error;
    return stdfs::is_regular_file(machine.dir() / ".update-timestamp", error) && on_path("wine") &&
           on_path("wineserver");
}

bool has_system_file(const Machine& machine, const std::string& file) {
    std::error_code error;
    return stdfs::is_regular_file(machine.dir() / "drive_c" / "windows" / "system32" / file, error);
}

bool starts_outside_machine(Machine& machine, const std::string& program) {
    if (machine.options().allow_outside_machine || program.find_first_of("\\/:") == std::string::npos) return false;
    return !machine.files().may_modify(program);
}

int run_under_wine(Machine& machine, const std::vector<std::string>& command_line,
                   std::chrono::seconds wineserver_limit) {
    if (command_line.empty()) throw WineError("No Windows program was named.");
    if (starts_outside_machine(machine, command_line.front()))
        throw WineError(command_line.front() +
                        " lies outside the machine's drives; start with --allow-outside-machine to allow it.");
    if (machine.is_windows_installation())
        throw WineError(machine.dir().string() + " is a Windows installation that is not running: its programs run "
                        "only when that Windows is started.");
    if (!wine_runs(machine))
        throw WineError("Windows programs run only on a Wine prefix with Wine installed; " + machine.dir().string() +
                        " is not one, or wine is not on the PATH.");
    // A wineserver already serving the prefix loaded the hives before our changes and would write
    // its own copy over them; waiting for it would wait for whatever else runs there.
    if (wineserver_serves(machine.dir()))
        throw WineError("Another Wine program is using " + machine.dir().string() + "; end it first (" +
                        wineserver_kill_command(machine.dir()) + ").");
    machine.flush();
    const auto flushed = hive_stamps(machine);
    std::vector<std::string> arguments{"wine"};
    arguments.insert(arguments.end(), command_line.begin(), command_line.end());
    int status = run_and_wait(*on_path("wine"), arguments, wine_environment(machine));
    // The wineserver keeps the registry in memory and writes it back when it ends; only then do
    // the files say what the program changed. A program that leaves something running keeps it
    // alive, so the wait has a limit.
    const auto wineserver = *on_path("wineserver");
    const bool ended = wait_for(spawn_quietly(wineserver, {"wineserver", "-w"}, wine_environment(machine)),
                                wineserver, std::chrono::steady_clock::now() + wineserver_limit)
                           .has_value();
    // Everything of ours is on disk, so files Wine left alone need no reading again.
    if (hive_stamps(machine) != flushed) machine.registry().reload();
    if (!ended)
        throw WineError("Wine still runs for " + machine.dir().string() + " after " +
                        std::to_string(wineserver_limit.count()) +
                        " seconds, so the registry changes of what it runs reach Tavrin only once it ends; end it (" +
                        wineserver_kill_command(machine.dir()) + ") before changing anything else on this machine.");
    return status;
}

}  // namespace platform::shell
