#include "platform/machine/wineserver.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace platform {

namespace stdfs = std::filesystem;

namespace {

// Wine names the server's folder after the prefix's device and inode.
std::string server_folder_name(const struct stat& prefix) {
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(prefix.st_dev),
                  static_cast<unsigned long long>(prefix.st_ino));
    return name;
}

// Debian's Wine writes the name of its folder under the temporary folder into the prefix. The
// file comes with the prefix, so it is read with care (a plain file, not a link, a pipe or an
// endless device; a few bytes) and only a plain name is taken: never a path that leads elsewhere.
std::string named_temp_folder(const stdfs::path& prefix) {
    int fd = open((prefix / "wineserver").c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return "";
    struct stat st;
    char buffer[256];
    ssize_t n = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? read(fd, buffer, sizeof buffer) : -1;
    close(fd);
    if (n <= 0) return "";
    std::string name(buffer, static_cast<size_t>(n));
    name = name.substr(0, name.find_first_of("\r\n"));
    if (name.empty() || name == "." || name == ".." || name.find_first_of(std::string("/\0", 2)) != std::string::npos)
        return "";
    return name;
}

std::vector<stdfs::path> temp_roots() {
    std::vector<stdfs::path> roots;
    const char* tmpdir = std::getenv("TMPDIR");
    if (tmpdir && *tmpdir == '/') roots.emplace_back(tmpdir);
    if (roots.empty() || roots.front() != "/tmp") roots.emplace_back("/tmp");
    return roots;
}

// The socket is reached through the opened folder, so a long temporary folder path does not
// overflow the short address a Unix socket takes.
bool accepts_connections(const stdfs::path& server_folder) {
    int folder = open(server_folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "/proc/self/fd/%d/socket", folder);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool listening = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) close(fd);
    close(folder);
    return listening;
}

}  // namespace

bool wineserver_serves(const stdfs::path& prefix) {
    struct stat st;
    if (stat(prefix.c_str(), &st) != 0) return false;
    const std::string server = server_folder_name(st);
    const std::string named = named_temp_folder(prefix);
    const std::string upstream = ".wine-" + std::to_string(getuid());
    for (const stdfs::path& root : temp_roots()) {
        if (!named.empty() && accepts_connections(root / named / server)) return true;
        if (accepts_connections(root / upstream / server)) return true;
    }
    return false;
}

std::string wineserver_kill_command(const stdfs::path& prefix) {
    const std::string dir = prefix.string();
    auto safe = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("/._-+:,@%").find(c) != std::string_view::npos;
    };
    const bool plain = !dir.empty() && std::all_of(dir.begin(), dir.end(), safe);
    std::string quoted = "'";
    for (char c : dir) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    return "WINEPREFIX=" + (plain ? dir : quoted) + " wineserver -k";
}

}  // namespace platform
