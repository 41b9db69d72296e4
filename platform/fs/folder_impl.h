#pragma once
// What a Folder holds: its descriptor (given back and opened again as the walk needs), where it
// lies, and the checks every change of one of its entries goes through. Shared by Folder and the
// deletes that run on other threads (concurrent_deletes.cpp).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fs/dos_attributes.h"
#include "platform/fs/file_identity.h"
#include "platform/fs/file_system_impl.h"
#include "platform/fs/fs_errors.h"
#include "platform/fs/host_folder.h"

namespace platform::fs {

namespace detail {

inline constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
inline constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

}  // namespace detail

struct Folder::Impl final : detail::OpenFolder {
    FileSystem::Impl& files;
    // How to find the folder again once its descriptor was given back: through the parent by
    // name, or (the folder a caller named) by its host path.
    std::shared_ptr<Impl> parent;
    std::string name;
    std::filesystem::path host;
    detail::FileIdentity identity;
    std::string windows_path;
    char drive;
    std::optional<std::string> outside;  // why changes are refused; nullopt: inside the machine
    int fd = -1;                         // -1 while given back
    std::weak_ptr<Impl> last_child;      // whose ".." is the cheapest way back here

    Impl(FileSystem::Impl& files, int fd, detail::FileIdentity identity, std::string windows_path, char drive,
         std::optional<std::string> outside)
        : files(files),
          identity(identity),
          windows_path(std::move(windows_path)),
          drive(drive),
          outside(std::move(outside)),
          fd(fd) {
        files.folder_descriptors.used(*this);
    }

    // Going away while its parent's descriptor is given back: the parent takes this folder's
    // "..", which saves looking it up again from further above when the walk returns to it.
    ~Impl() {
        files.folder_descriptors.closed(*this);
        if (fd < 0) return;
        if (parent && parent->fd < 0) parent->take(openat(fd, "..", detail::kFolderFlags));
        ::close(fd);
    }

    void close_descriptor() override {
        ::close(fd);
        fd = -1;
    }

    int descriptor() {
        if (fd < 0) reopen();
        files.folder_descriptors.used(*this);
        return fd;
    }

    // Whether `candidate` is this folder; if so it becomes its descriptor, else it is closed.
    bool take(int candidate) {
        if (candidate >= 0 && detail::identity_of(candidate) == identity) {
            fd = candidate;
            files.folder_descriptors.used(*this);
            return true;
        }
        if (candidate >= 0) ::close(candidate);
        return false;
    }

    void reopen() {
        const auto child = last_child.lock();
        if (child && child->fd >= 0 && take(openat(child->fd, "..", detail::kFolderFlags))) return;
        const int found = parent ? openat(parent->descriptor(), name.c_str(), detail::kFolderFlags | O_NOFOLLOW)
                                 : ::open(host.c_str(), detail::kFolderFlags);
        if (!take(found))
            throw FsError(error::PathNotFound, "Cannot open the folder \"" + windows_path +
                                                   "\": it was moved or replaced while it was being worked on.");
    }

    std::string entry_path(std::string_view entry) const {
        return detail::windows_child(windows_path, entry);
    }

    // The entry's name for a host call: only a name a Windows path could carry.
    std::optional<std::string> entry(std::string_view entry) const {
        if (!detail::is_plain_name(entry)) return std::nullopt;
        return std::string(entry);
    }

    std::string entry_or_throw(std::string_view entry, std::string_view action) const {
        if (auto plain = this->entry(entry)) return *plain;
        detail::throw_fs_error(error::InvalidName, action, entry_path(entry));
    }

    // Removed by this dry run already: reads as missing.
    bool gone(std::string_view entry) const { return files.dry_run() && files.gone(entry_path(entry)); }

    std::optional<struct stat> status(const std::string& entry, bool follow = false) {
        if (gone(entry)) return std::nullopt;
        return host_status(entry, follow);
    }
    // The same for an entry whose Windows path the caller has made already.
    std::optional<struct stat> status(const std::string& entry, const std::string& path) {
        if (files.gone(path)) return std::nullopt;
        return host_status(entry, false);
    }
    std::optional<struct stat> host_status(const std::string& entry, bool follow) {
        struct stat st;
        if (fstatat(descriptor(), entry.c_str(), &st, follow ? 0 : AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
        return st;
    }

    // What every change needs: the entry there, of the kind the change takes, inside the machine.
    struct stat require_changeable(const std::string& entry, std::string_view action) {
        return require_changeable(entry, status(entry), action);
    }
    // The same for an entry whose status was just read.
    struct stat require_changeable(const std::string& entry, const std::optional<struct stat>& st,
                                   std::string_view action) const {
        if (!st) detail::throw_fs_error(error::FileNotFound, action, entry_path(entry));
        if (outside) files.throw_outside(entry_path(entry), *outside, action);
        files.refuse_if_read_only(entry_path(entry), action);
        return *st;
    }

    // A file's delete once checked: the entry to unlink, and what to record when it went.
    struct CheckedDelete {
        std::string entry;
        std::string path;
        uint64_t size = 0;
    };

    // Everything a delete checks before the unlink: a plain name, the entry there and no folder,
    // inside the machine, and writable unless forced (a link always is). nullopt when there is
    // nothing to unlink: a file that only this dry run made, which is forgotten now.
    std::optional<CheckedDelete> check_delete(std::string_view name, bool force) {
        constexpr std::string_view action = "delete";
        const std::string entry = entry_or_throw(name, action);
        std::string path = entry_path(entry);
        const auto found = status(entry, path);
        if (!found && files.forget_pretended(path)) return std::nullopt;
        const struct stat st = require_changeable(entry, found, action);
        if (S_ISDIR(st.st_mode)) detail::throw_fs_error(error::AccessDenied, action, path);
        if (!S_ISLNK(st.st_mode) && (st.st_mode & detail::kWriteBits) == 0 && !force)
            detail::throw_fs_error(error::AccessDenied, action, path);
        return CheckedDelete{entry, std::move(path), S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0};
    }

    // Notes the delete as done (in a dry run: as what would have gone).
    void record(CheckedDelete removed) { files.removed(RemovedKind::File, std::move(removed.path), removed.size); }
};

}  // namespace platform::fs
