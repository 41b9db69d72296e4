#include "platform/fs/atomic_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/fs/dos_attributes.h"
#include "platform/fs/fs_errors.h"
#include "platform/fs/write_faults.h"

namespace platform::fs {

void sync_folder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace platform::fs

namespace platform::fs::detail {

namespace {

// mkstemp makes 0600 files; a new file should get the permissions any other program would give it.
mode_t new_file_mode() {
    static const mode_t mode = [] {
        mode_t mask = umask(0);
        umask(mask);
        return 0666 & ~mask;
    }();
    return mode;
}

int write_new_file(int fd, const std::function<int(int)>& fill, const std::filesystem::path& attributes_from) {
    if (int failed = fill(fd)) return failed;
    struct stat st;
    if (stat(attributes_from.c_str(), &st) == 0) copy_attributes(attributes_from, fd);
    else fchmod(fd, new_file_mode());
    return !write_faults::injected(write_faults::Step::flush) && fsync(fd) == 0 ? 0 : errno;
}

}  // namespace

void replace_file(const std::filesystem::path& target, const std::function<int(int fd)>& fill,
                  const std::filesystem::path& attributes_from, std::string_view action, std::string_view windows_path) {
    std::string temp = (target.parent_path() / ("." + target.filename().string() + ".tavrin-XXXXXX")).string();
    int fd = mkstemp(temp.data());
    if (fd < 0) throw_host_error(errno, action, windows_path);
    int failed = write_new_file(fd, fill, attributes_from);
    if (::close(fd) != 0 && !failed) failed = errno;
    if (!failed && (write_faults::injected(write_faults::Step::rename) || rename(temp.c_str(), target.c_str()) != 0))
        failed = errno;
    if (failed) {
        unlink(temp.c_str());
        throw_host_error(failed, action, windows_path);
    }
    sync_folder(target.parent_path());
}

}  // namespace platform::fs::detail
