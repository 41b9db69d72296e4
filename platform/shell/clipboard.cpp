#include "platform/shell/clipboard.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/shell/desktop.h"

extern char** environ;

namespace platform::shell {

namespace {

bool is_set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Runs the tool found on PATH with its output discarded and waits for it.
ClipboardResult run_tool(std::vector<const char*> argv) {
    ClipboardResult result{ClipboardResult::Outcome::Failed, argv.front()};
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int error = posix_spawnp(&pid, argv.front(), &quiet, nullptr, const_cast<char* const*>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (error == ENOENT) {
        result.outcome = ClipboardResult::Outcome::ToolMissing;
        return result;
    }
    if (error != 0) return result;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) result.outcome = ClipboardResult::Outcome::Cleared;
    return result;
}

}  // namespace

ClipboardResult clear_desktop_clipboard() {
    if (!has_desktop()) return {};
    RemovalLog* removals = has_current_machine() ? &current_machine().removals() : nullptr;
    // A Wayland session usually sets DISPLAY too (for X programs); its own clipboard comes first.
    const bool wayland = is_set("WAYLAND_DISPLAY");
    ClipboardResult result;
    if (removals && removals->dry_run()) result = {ClipboardResult::Outcome::Cleared, wayland ? "wl-copy" : "xsel"};
    else result = wayland ? run_tool({"wl-copy", "--clear"}) : run_tool({"xsel", "--clipboard", "--clear"});
    if (removals && result.outcome == ClipboardResult::Outcome::Cleared)
        removals->record(RemovedKind::Clipboard, "Clipboard", 0);
    return result;
}

}  // namespace platform::shell
