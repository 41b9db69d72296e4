#include "platform/sys/files_in_use.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string>

namespace platform::sys {

namespace {

bool record_lock_held(int fd) {
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;  // to the end of any length
    return fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

// A shared flock() is taken and given back at once: it conflicts only with an exclusive one.
bool whole_file_lock_held(int fd) {
    if (flock(fd, LOCK_SH | LOCK_NB) == 0) {
        flock(fd, LOCK_UN);
        return false;
    }
    return errno == EWOULDBLOCK;
}

}  // namespace

bool locked_by_another_process(const std::filesystem::path& file) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    const bool held = record_lock_held(fd) || whole_file_lock_held(fd);
    close(fd);
    return held;
}

bool link_names_live_process(const std::filesystem::path& link) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(link, error).string();
    const size_t dash = target.rfind('-');
    if (error || dash == std::string::npos) return false;
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0 || target.substr(0, dash) != host) return false;
    pid_t pid = 0;
    const char* digits = target.data() + dash + 1;
    const auto [end, parse_error] = std::from_chars(digits, target.data() + target.size(), pid);
    if (parse_error != std::errc() || end != target.data() + target.size() || pid <= 0) return false;
    return kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace platform::sys
