#include "platform/sys/runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform::sys {

namespace {

std::filesystem::path chosen_folder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/') return std::filesystem::path(runtime) / "tavrin";
    const char* tmpdir = std::getenv("TMPDIR");
    const std::filesystem::path temp = tmpdir && *tmpdir == '/' ? tmpdir : "/tmp";
    return temp / ("tavrin-" + std::to_string(geteuid()));
}

}  // namespace

std::filesystem::path private_runtime_folder() {
    const std::filesystem::path folder = chosen_folder();
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot make the folder " + folder.string() + ": " + std::strerror(errno));
    // In a shared temporary folder someone else may have made it first, or left a link there.
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0)
        throw std::runtime_error("cannot use the folder " + folder.string() + ": " + std::strerror(errno));
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 077) != 0)
        throw std::runtime_error("the folder " + folder.string() +
                                 " is not a private folder of this user (a link, another user's, or open to others)");
    return folder;
}

}  // namespace platform::sys
