#include "platform/shell/desktop.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

extern char** environ;

namespace platform::shell {

bool has_desktop() {
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

bool open_with_desktop(const std::string& url) {
    // The shell puts the opener in the background and returns at once, so there is no child
    // left to reap; the URL travels as an argument, never as shell text.
    const char* argv[] = {"/bin/sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 &", "sh", url.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform::shell
