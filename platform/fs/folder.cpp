// Walking a folder's entries by name through the folder's descriptor, with the folder's path
// looked up and checked only once.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs/folder_impl.h"
#include "platform/fs/tree_removal.h"
#include "platform/fs/regular_open.h"
#include "platform/fs/unshared_open.h"

namespace platform::fs {

using detail::kFolderFlags;
using detail::kWriteBits;

Folder::Folder(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}
Folder::Folder(Folder&&) noexcept = default;
Folder& Folder::operator=(Folder&&) noexcept = default;
Folder::~Folder() = default;

std::optional<Folder> FileSystem::open_folder(std::string_view path) {
    auto target = impl_->resolve(path);
    if (!target) return std::nullopt;
    const int fd = ::open(target->host.c_str(), kFolderFlags);
    const auto identity = detail::identity_of(fd);
    if (!identity) {
        if (fd >= 0) ::close(fd);
        return std::nullopt;
    }
    // Everything below a folder inside the machine is inside too, as long as no link is followed
    // on the way down; entries are reached by name, and a link among them is never written through.
    auto folder = std::make_shared<Folder::Impl>(*impl_, fd, *identity, target->text(), target->path.drive,
                                                 impl_->outside_reason(*target, Impl::Reach::Target));
    std::error_code ec;
    folder->host = std::filesystem::canonical(target->host, ec);
    if (ec) folder->host = target->host;
    return Folder(std::move(folder));
}

std::vector<FindData> Folder::entries() const {
    return impl_->files.without_gone(impl_->windows_path, FileSystem::Impl::list_at(impl_->descriptor(), "*"));
}

std::vector<ListedEntry> Folder::listed_entries() const {
    return impl_->files.listed_at(impl_->descriptor(), impl_->windows_path);
}

std::optional<Folder> Folder::subfolder(std::string_view name) const {
    auto entry = impl_->entry(name);
    if (!entry || impl_->gone(*entry)) return std::nullopt;
    const int fd = openat(impl_->descriptor(), entry->c_str(), kFolderFlags | O_NOFOLLOW);
    const auto identity = detail::identity_of(fd);
    if (!identity) {
        if (fd >= 0) ::close(fd);
        return std::nullopt;
    }
    auto child =
        std::make_shared<Impl>(impl_->files, fd, *identity, impl_->entry_path(*entry), impl_->drive, impl_->outside);
    child->parent = impl_;
    child->name = *entry;
    impl_->last_child = child;
    return Folder(std::move(child));
}

std::optional<uint32_t> Folder::attributes(std::string_view name) const {
    auto entry = impl_->entry(name);
    if (!entry || impl_->gone(*entry)) return std::nullopt;
    auto found = detail::describe_entry_at(impl_->descriptor(), *entry);
    return found ? std::optional(found->attributes) : std::nullopt;
}

std::optional<uint64_t> Folder::file_size(std::string_view name) const {
    auto entry = impl_->entry(name);
    if (!entry) return std::nullopt;
    auto st = impl_->status(*entry, true);
    if (!st || S_ISDIR(st->st_mode)) return std::nullopt;
    return static_cast<uint64_t>(st->st_size);
}

bool Folder::has_other_names(std::string_view name) const {
    auto entry = impl_->entry(name);
    auto st = entry ? impl_->status(*entry) : std::nullopt;
    return st && !S_ISDIR(st->st_mode) && !S_ISLNK(st->st_mode) && st->st_nlink > 1;
}

void Folder::set_attributes(std::string_view name, uint32_t attributes) {
    constexpr std::string_view action = "change the attributes of";
    const std::string entry = impl_->entry_or_throw(name, action);
    const struct stat st = impl_->require_changeable(entry, action);
    // A link has no attributes of its own here, and changing its target's would reach past it.
    if (S_ISLNK(st.st_mode)) detail::throw_fs_error(error::AccessDenied, action, impl_->entry_path(entry));
    if (!S_ISDIR(st.st_mode) && st.st_nlink > 1) detail::throw_host_error(EMLINK, action, impl_->entry_path(entry));
    if (impl_->files.dry_run()) return;
    if (int failed = detail::store_attributes_at(impl_->descriptor(), entry, attributes))
        detail::throw_host_error(failed, action, impl_->entry_path(entry));
}

File Folder::open(std::string_view name, File::Mode mode) {
    const bool writing = mode != File::Mode::Read;
    const std::string_view action = writing ? "open for writing" : "open";
    const std::string entry = impl_->entry_or_throw(name, action);
    const std::string path = impl_->entry_path(entry);
    int fd = -1;
    if (writing) {
        if (impl_->outside) impl_->files.throw_outside(path, *impl_->outside, action);
        impl_->files.refuse_if_read_only(path, action);
        const auto st = impl_->status(entry);
        if (st && (S_ISDIR(st->st_mode) || (st->st_mode & kWriteBits) == 0))
            detail::throw_fs_error(error::AccessDenied, action, path);
        if (!st) impl_->files.removals().mark_created(path);
        else impl_->files.removals().note_length_before_writing(path, static_cast<uint64_t>(st->st_size));
        if (impl_->files.dry_run()) {
            const int existing = st ? detail::open_regular(impl_->descriptor(), entry.c_str()) : -1;
            const uint64_t size = st && mode != File::Mode::CreateAlways ? static_cast<uint64_t>(st->st_size) : 0;
            return impl_->files.pretend_open(existing, path, impl_->drive, size);
        }
        fd = detail::open_unshared(impl_->descriptor(), entry.c_str(),
                                   O_RDWR | O_CREAT | (mode == File::Mode::CreateAlways ? O_TRUNC : 0), 0666);
    } else {
        if (auto st = impl_->status(entry, true); st && S_ISDIR(st->st_mode))
            detail::throw_fs_error(error::AccessDenied, action, path);
        fd = detail::open_regular(impl_->descriptor(), entry.c_str());
    }
    if (fd < 0 && errno == ENOENT) {
        // Win32 tells a missing file from a folder that has gone away meanwhile.
        struct stat folder;
        const bool folder_gone = fstat(impl_->descriptor(), &folder) != 0 || folder.st_nlink == 0;
        detail::throw_fs_error(folder_gone ? error::PathNotFound : error::FileNotFound, action, path);
    }
    if (fd < 0) detail::throw_host_error(errno, action, path);
    return impl_->files.adopt(fd, path, writing, impl_->drive);
}

void Folder::delete_file(std::string_view name, bool force) {
    auto checked = impl_->check_delete(name, force);
    if (!checked) return;
    if (!impl_->files.dry_run() && unlinkat(impl_->descriptor(), checked->entry.c_str(), 0) != 0)
        detail::throw_host_error(errno, "delete", checked->path);
    impl_->record(std::move(*checked));
}

void Folder::delete_tree(std::string_view name) {
    constexpr std::string_view action = "delete the folder";
    const std::string entry = impl_->entry_or_throw(name, action);
    const struct stat st = impl_->require_changeable(entry, action);
    const std::string path = impl_->entry_path(entry);
    if (S_ISLNK(st.st_mode)) {
        if (!impl_->files.dry_run() && unlinkat(impl_->descriptor(), entry.c_str(), 0) != 0)
            detail::throw_host_error(errno, action, path);
        impl_->files.removed(RemovedKind::File, path, 0);
        return;
    }
    if (!S_ISDIR(st.st_mode)) detail::throw_fs_error(error::NotADirectory, action, path);
    detail::remove_tree_at(impl_->descriptor(), entry, path, impl_->files.tree_removal());
}

}  // namespace platform::fs
