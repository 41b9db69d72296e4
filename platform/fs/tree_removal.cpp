#include "platform/fs/tree_removal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "platform/fs/file_identity.h"
#include "platform/fs/fs_errors.h"
#include "platform/fs/host_folder.h"

namespace platform::fs::detail {

namespace {

// Deeper than this, a level closes its parent's descriptor while it works and opens it again
// through ".." when done, so a tree of any depth needs only this many descriptors.
constexpr int kLevelsKeptOpen = 32;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(-1); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int& get() { return fd_; }
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool is_read_only(const struct stat& st) {
    return !S_ISLNK(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

void empty_folder(int& fd, const std::string& windows_path, int depth, const TreeRemoval& how);

// The subfolder `name` of the folder open as `parent_fd`, emptied and removed. The parent's
// descriptor may be closed meanwhile and comes back open on the same folder, or the removal
// stops: a folder moved away during the work is not ours to go on with.
void remove_subfolder(int& parent_fd, const FileIdentity& parent, const std::string& name,
                      const std::string& windows_path, int depth, const TreeRemoval& how) {
    Descriptor child(openat(parent_fd, name.c_str(), kFolderFlags));
    if (child.get() < 0) throw_host_error(errno, "remove the folder", windows_path);
    if (depth >= kLevelsKeptOpen) {
        ::close(parent_fd);
        parent_fd = -1;
    }
    empty_folder(child.get(), windows_path, depth + 1, how);
    if (parent_fd < 0) {
        parent_fd = openat(child.get(), "..", kFolderFlags);
        if (parent_fd < 0 || identity_of(parent_fd) != parent)
            throw FsError(error::PathNotFound, "Cannot remove the folder \"" + windows_path +
                                                   "\": the folder holding it was moved while it was being removed.");
    }
    child.reset(-1);
    struct stat st;
    if (fstatat(parent_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && is_read_only(st))
        throw_fs_error(error::AccessDenied, "remove the folder", windows_path);
    if (!how.dry_run && unlinkat(parent_fd, name.c_str(), AT_REMOVEDIR) != 0)
        throw_host_error(errno, "remove the folder", windows_path);
    how.removed(windows_path, true, 0);
}

void empty_folder(int& fd, const std::string& windows_path, int depth, const TreeRemoval& how) {
    const auto self = identity_of(fd);
    if (!self) throw_host_error(errno, "remove the folder", windows_path);
    for (const std::string& name : list_entries_at(fd)) {
        const std::string child_path = windows_child(windows_path, name);
        struct stat st;
        if (how.dry_run && how.gone(child_path)) continue;
        if (fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            remove_subfolder(fd, *self, name, child_path, depth, how);
            continue;
        }
        if (is_read_only(st)) throw_fs_error(error::AccessDenied, "delete", child_path);
        if (!how.dry_run && unlinkat(fd, name.c_str(), 0) != 0) throw_host_error(errno, "delete", child_path);
        how.removed(child_path, false, S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0);
    }
}

}  // namespace

void remove_tree_at(int parent_fd, const std::string& name, const std::string& windows_path, const TreeRemoval& how) {
    // A descriptor of our own: the walk may close and reopen it.
    Descriptor parent(fcntl(parent_fd, F_DUPFD_CLOEXEC, 0));
    if (parent.get() < 0) throw_host_error(errno, "remove the folder", windows_path);
    const auto identity = identity_of(parent.get());
    if (!identity) throw_host_error(errno, "remove the folder", windows_path);
    remove_subfolder(parent.get(), *identity, name, windows_path, 0, how);
}

std::string windows_child(std::string_view folder, std::string_view name) {
    // Made in one allocation: a walk or a preview makes one for every entry it passes.
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    if (path.empty() || path.back() != '\\') path += '\\';
    path += name;
    return path;
}

}  // namespace platform::fs::detail
