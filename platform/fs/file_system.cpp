// Files and folders of the machine's drives, with the Win32 rules callers expect.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "platform/fs/atomic_replace.h"
#include "platform/fs/dos_attributes.h"
#include "platform/fs/file_impl.h"
#include "platform/fs/file_system_impl.h"
#include "platform/fs/fs_errors.h"
#include "platform/fs/host_folder.h"
#include "platform/fs/tree_removal.h"
#include "platform/fs/regular_open.h"
#include "platform/fs/unshared_open.h"

namespace platform::fs {

namespace {

using Reach = FileSystem::Impl::Reach;
using Target = FileSystem::Impl::Target;

enum class Kind { Missing, File, Folder, Link };

Kind kind_of(const std::filesystem::path& host) {
    struct stat st;
    if (lstat(host.c_str(), &st) != 0) return Kind::Missing;
    if (S_ISLNK(st.st_mode)) return Kind::Link;
    return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::File;
}

bool data_has_other_names(const std::filesystem::path& host) {
    struct stat st;
    return lstat(host.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode) && st.st_nlink > 1;
}

bool is_folder(const std::filesystem::path& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The host ignores write bits for root, and Windows never does: checked here, not left to the host.
bool is_read_only(const std::filesystem::path& host) {
    struct stat st;
    return lstat(host.c_str(), &st) == 0 && !S_ISLNK(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// Win32 tells a missing file from a missing folder on the way to it.
[[noreturn]] void throw_missing(const Target& target, std::string_view action) {
    bool folder_exists = target.path.is_root() || is_folder(target.host.parent_path());
    detail::throw_fs_error(folder_exists ? error::FileNotFound : error::PathNotFound, action, target.text());
}

void require_parent_folder(const Target& target, std::string_view action) {
    if (!target.path.is_root() && !is_folder(target.host.parent_path()))
        detail::throw_fs_error(error::PathNotFound, action, target.text());
}

// Writing through a final link changes the file it points to, not the link.
std::filesystem::path written_path(const Target& target) {
    return detail::is_symlink(target.host) ? std::filesystem::weakly_canonical(target.host) : target.host;
}

uint64_t host_size(const std::filesystem::path& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
}

uint64_t growth(uint64_t new_size, uint64_t old_size) { return new_size > old_size ? new_size - old_size : 0; }

int copy_contents(int from_fd, int to_fd) {
    int failed = 0;
    for (;;) {
        ssize_t n = copy_file_range(from_fd, nullptr, to_fd, nullptr, size_t{1} << 30, 0);
        if (n > 0) continue;
        if (n == 0) break;
        if (errno == EINTR) continue;
        failed = errno;
        break;
    }
    return failed;
}

// Writes the file anew beside itself and puts it in its place (see AtomicReplacement), with the
// permissions and stored attributes of `like`; `fill` writes the contents, and gives 0 or errno.
void replace_file(const std::filesystem::path& target, const std::function<int(AtomicReplacement&)>& fill,
                  const std::filesystem::path& like, std::string_view action, std::string_view windows_path) {
    AtomicReplacement replacement(target, like);
    int failed = replacement.create_error();
    if (!failed) failed = fill(replacement);
    if (!failed) failed = replacement.flush();
    if (!failed) failed = replacement.put_in_place();
    if (failed) detail::throw_host_error(failed, action, windows_path);
    sync_folder(target.parent_path());
}

// A descriptor closed when it goes out of scope.
class HeldDescriptor {
public:
    explicit HeldDescriptor(int fd) : fd_(fd) {}
    ~HeldDescriptor() { ::close(fd_); }
    HeldDescriptor(const HeldDescriptor&) = delete;
    HeldDescriptor& operator=(const HeldDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

void copy_write_time(const std::filesystem::path& from, const std::filesystem::path& to) {
    struct stat st;
    if (stat(from.c_str(), &st) != 0) return;
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(AT_FDCWD, to.c_str(), times, 0);
}

}  // namespace

std::vector<FindData> FileSystem::Impl::list_at(int folder_fd, std::string_view mask) {
    std::vector<FindData> found;
    for (const std::string& name : detail::list_entries_at(folder_fd)) {
        // A host name holding "\" would read as a different path on the way back in.
        if (name.find('\\') != std::string::npos || !wildcard_match(mask, name)) continue;
        if (auto entry = detail::describe_entry_at(folder_fd, name)) found.push_back(*entry);
    }
    return found;
}

std::vector<FindData> FileSystem::Impl::list(const Target& folder, std::string_view mask) const {
    const int fd = ::open(folder.host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return {};
    std::vector<FindData> found = list_at(fd, mask);
    ::close(fd);
    return without_gone(folder.text(), std::move(found));
}

std::vector<FindData> FileSystem::find(std::string_view pattern) const {
    std::vector<FindData> found;
    auto search = detail::parse_search_pattern(pattern);
    if (!search) return found;
    auto folder = impl_->resolve(search->folder.text());
    if (!folder || !is_folder(folder->host) || impl_->gone(folder->text())) return found;
    // Windows lists "." and ".." in every folder but a drive's root.
    if (!folder->path.is_root()) {
        for (const char* dots : {".", ".."}) {
            if (!wildcard_match(search->mask, dots)) continue;
            if (auto entry = detail::describe_entry(folder->host / dots, dots)) found.push_back(*entry);
        }
    }
    std::vector<FindData> entries = impl_->list(*folder, search->mask);
    found.insert(found.end(), std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
    return found;
}

std::vector<ListedEntry> FileSystem::Impl::listed_at(int folder_fd, const std::string& folder_path) const {
    std::vector<ListedEntry> listed = detail::list_kinds_at(folder_fd);
    // A host name holding "\" would read as a different path on the way back in.
    std::erase_if(listed, [](const ListedEntry& entry) { return entry.name.find('\\') != std::string::npos; });
    return without_gone(folder_path, std::move(listed));
}

std::vector<ListedEntry> FileSystem::listed_entries(std::string_view folder) const {
    auto target = impl_->resolve(folder);
    if (!target || impl_->gone(target->text())) return {};
    const int fd = ::open(target->host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return {};
    std::vector<ListedEntry> listed = impl_->listed_at(fd, target->text());
    ::close(fd);
    return listed;
}

std::vector<FileSystem::ShownEntry> FileSystem::normal_listing(std::string_view folder) const {
    std::vector<ShownEntry> shown;
    auto target = impl_->resolve(folder);
    if (!target) return shown;
    const int fd = ::open(target->host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return shown;
    constexpr uint32_t kNotNormal = attr::Directory | attr::Hidden | attr::System;
    for (ListedEntry& entry : detail::list_kinds_at(fd)) {
        // A host name holding "\" would read as a different path on the way back in.
        if (entry.name.find('\\') != std::string::npos) continue;
        bool normal = false;
        if (entry.link) {
            auto described = detail::describe_entry_at(fd, entry.name);
            normal = described && (described->attributes & kNotNormal) == 0;
        } else if (!entry.folder) {
            normal = (detail::hidden_and_system_at(fd, entry.name) & kNotNormal) == 0;
        }
        shown.push_back({std::move(entry.name), normal});
    }
    ::close(fd);
    return shown;
}

bool FileSystem::exists(std::string_view path) const { return attributes(path).has_value(); }

bool FileSystem::is_directory(std::string_view path) const {
    auto found = attributes(path);
    return found && (*found & attr::Directory);
}

std::optional<uint32_t> FileSystem::attributes(std::string_view path) const {
    auto target = impl_->resolve(path);
    if (!target) return std::nullopt;
    return impl_->attributes(*target);
}

std::optional<uint32_t> FileSystem::Impl::attributes(const Target& target) const {
    if (gone(target.text())) return std::nullopt;
    std::string name = target.path.is_root() ? std::string() : target.path.parts.back();
    auto entry = detail::describe_entry(target.host, name);
    if (!entry) return std::nullopt;
    return entry->attributes;
}

void FileSystem::set_attributes(std::string_view path, uint32_t attributes) {
    impl_->set_attributes(impl_->resolve_or_throw(path, "change the attributes of"), attributes);
}

void FileSystem::Impl::set_attributes(const Target& target, uint32_t attributes) {
    constexpr std::string_view action = "change the attributes of";
    Kind kind = gone(target.text()) ? Kind::Missing : kind_of(target.host);
    if (kind == Kind::Missing) throw_missing(target, action);
    // A link has no attributes of its own here, and changing its target's would reach past it.
    if (kind == Kind::Link) detail::throw_fs_error(error::AccessDenied, action, target.text());
    require_inside(target, Reach::Target, action);
    if (kind == Kind::File && data_has_other_names(target.host))
        detail::throw_host_error(EMLINK, action, target.text());
    if (dry_run()) return;
    if (int failed = detail::store_attributes(target.host, attributes))
        detail::throw_host_error(failed, action, target.text());
}

std::optional<uint64_t> FileSystem::file_size(std::string_view path) const {
    auto target = impl_->resolve(path);
    if (!target) return std::nullopt;
    return impl_->file_size(*target);
}

std::optional<uint64_t> FileSystem::Impl::file_size(const Target& target) const {
    if (gone(target.text())) return std::nullopt;
    struct stat st;
    if (stat(target.host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

bool FileSystem::has_other_names(std::string_view path) const {
    auto target = impl_->resolve(path);
    return target && !impl_->gone(target->text()) && data_has_other_names(target->host);
}

File FileSystem::open(std::string_view path, File::Mode mode) {
    return impl_->open(impl_->resolve_or_throw(path, mode != File::Mode::Read ? "open for writing" : "open"), mode);
}

File FileSystem::Impl::open(const Target& target, File::Mode mode) {
    bool writing = mode != File::Mode::Read;
    std::string_view action = writing ? "open for writing" : "open";
    if (gone(target.text())) {
        if (!writing) throw_missing(target, action);
        return open_in_dry_run(target, mode);
    }
    if (writing) require_inside(target, Reach::Target, action);
    if (is_folder(target.host)) detail::throw_fs_error(error::AccessDenied, action, target.text());
    if (writing && is_read_only(written_path(target))) detail::throw_fs_error(error::AccessDenied, action, target.text());
    if (writing) require_parent_folder(target, action);
    if (writing && dry_run()) return open_in_dry_run(target, mode);
    if (writing && removals().recording()) {
        if (kind_of(written_path(target)) == Kind::Missing) removals().mark_created(target.text());
        else removals().note_length_before_writing(target.text(), host_size(written_path(target)));
    }

    // A final link inside the machine leads to a file that is ours to write: that file is opened
    // by its own name, never through a link.
    const int fd =
        writing ? detail::open_unshared(AT_FDCWD, written_path(target).c_str(),
                                        O_RDWR | O_CREAT | (mode == File::Mode::CreateAlways ? O_TRUNC : 0), 0666)
                : open_to_read(target, action);
    if (fd < 0 && errno == ENOENT) throw_missing(target, action);
    if (fd < 0) detail::throw_host_error(errno, action, target.text());
    return adopt(fd, target.text(), writing, target.path.drive);
}

File FileSystem::Impl::open_in_dry_run(const Target& target, File::Mode mode) {
    const bool exists = !gone(target.text()) && kind_of(written_path(target)) != Kind::Missing;
    if (!exists) removals().mark_created(target.text());
    const int fd = exists ? detail::open_regular(AT_FDCWD, written_path(target).c_str()) : -1;
    const uint64_t size = exists && mode != File::Mode::CreateAlways ? host_size(written_path(target)) : 0;
    return pretend_open(fd, target.text(), target.path.drive, size);
}

File FileSystem::Impl::adopt(int fd, std::string windows_path, bool writable, char drive) {
    auto impl = std::make_unique<File::Impl>();
    impl->fd = fd;
    impl->windows_path = std::move(windows_path);
    impl->writable = writable;
    // Counted after opening, so a truncated file no longer takes up its old size.
    if (writable) impl->quota = quota_account(drive);
    return File(std::move(impl));
}

std::string FileSystem::read_text(std::string_view path, uint64_t most) const {
    constexpr std::string_view action = "read";
    Target target = impl_->resolve_or_throw(path, action);
    if (impl_->gone(target.text())) throw_missing(target, action);
    if (is_folder(target.host)) detail::throw_fs_error(error::AccessDenied, action, target.text());
    const int fd = impl_->open_to_read(target, action);
    if (fd < 0 && errno == ENOENT) throw_missing(target, action);
    if (fd < 0) detail::throw_host_error(errno, action, target.text());
    const HeldDescriptor held(fd);
    auto too_large = [&] {
        throw FsError(error::FileTooLarge, "Cannot read \"" + target.text() + "\": it holds more than " +
                                               std::to_string(most) + " bytes, more than such a file ever does.");
    };
    struct stat st;
    if (fstat(fd, &st) == 0 && static_cast<uint64_t>(st.st_size) > most) too_large();
    std::string contents;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) detail::throw_host_error(errno, action, target.text());
        if (n == 0) break;
        // A file that grows while it is read is held to the same limit.
        if (static_cast<uint64_t>(n) > most - contents.size()) too_large();
        contents.append(buffer, static_cast<size_t>(n));
    }
    return contents;
}

void FileSystem::write_text(std::string_view path, std::string_view contents) {
    constexpr std::string_view action = "write";
    Target target = impl_->resolve_or_throw(path, action);
    impl_->require_inside(target, Reach::Target, action);
    std::filesystem::path destination = written_path(target);
    if (is_folder(destination) || is_read_only(destination))
        detail::throw_fs_error(error::AccessDenied, action, target.text());
    require_parent_folder(target, action);
    impl_->require_room(target.path.drive, growth(contents.size(), host_size(destination)), action, target.text());
    if (impl_->dry_run()) return;
    replace_file(destination, [&](AtomicReplacement& file) { return file.write(contents); }, destination, action,
                 target.text());
}

void FileSystem::delete_file(std::string_view path, bool force) {
    impl_->delete_file(impl_->resolve_or_throw(path, "delete"), force);
}

void FileSystem::Impl::delete_file(const Target& target, bool force) {
    constexpr std::string_view action = "delete";
    Kind kind = gone(target.text()) ? Kind::Missing : kind_of(target.host);
    if (kind == Kind::Missing && forget_pretended(target.text())) return;
    if (kind == Kind::Missing) throw_missing(target, action);
    if (kind == Kind::Folder) detail::throw_fs_error(error::AccessDenied, action, target.text());
    require_inside(target, Reach::Entry, action);
    if (is_read_only(target.host) && !force) detail::throw_fs_error(error::AccessDenied, action, target.text());
    const uint64_t size = kind == Kind::File ? host_size(target.host) : 0;
    if (!dry_run() && unlink(target.host.c_str()) != 0) detail::throw_host_error(errno, action, target.text());
    removed(RemovedKind::File, target.text(), size);
}

void FileSystem::copy_file(std::string_view from, std::string_view to, bool overwrite) {
    constexpr std::string_view action = "copy to";
    Target source = impl_->resolve_or_throw(from, "copy");
    if (impl_->gone(source.text()) || kind_of(source.host) == Kind::Missing) throw_missing(source, "copy");
    if (is_folder(source.host)) detail::throw_fs_error(error::AccessDenied, "copy", source.text());
    Target target = impl_->resolve_or_throw(to, action);
    impl_->require_inside(target, Reach::Target, action);
    std::filesystem::path destination = written_path(target);
    if (kind_of(destination) != Kind::Missing) {
        if (!overwrite) detail::throw_fs_error(error::FileExists, action, target.text());
        std::error_code ec;
        if (std::filesystem::equivalent(source.host, destination, ec))
            detail::throw_fs_error(error::SharingViolation, action, target.text());
        if (is_folder(destination) || is_read_only(destination))
            detail::throw_fs_error(error::AccessDenied, action, target.text());
    }
    require_parent_folder(target, action);
    impl_->require_room(target.path.drive, growth(host_size(source.host), host_size(destination)), action,
                        target.text());
    if (impl_->dry_run()) return;
    const int from_fd = impl_->open_to_read(source, "copy");
    if (from_fd < 0) detail::throw_host_error(errno, "copy", source.text());
    const HeldDescriptor source_file(from_fd);
    replace_file(destination, [&](AtomicReplacement& file) { return copy_contents(source_file.get(), file.fd()); },
                 source.host, action, target.text());
    copy_write_time(source.host, destination);
}

void FileSystem::move_file(std::string_view from, std::string_view to) {
    constexpr std::string_view action = "move";
    Target source = impl_->resolve_or_throw(from, action);
    Kind kind = impl_->gone(source.text()) ? Kind::Missing : kind_of(source.host);
    if (kind == Kind::Missing) throw_missing(source, action);
    if (source.path.is_root()) detail::throw_fs_error(error::AccessDenied, action, source.text());
    Target target = impl_->resolve_or_throw(to, "move to");
    impl_->require_inside(source, Reach::Entry, action);
    impl_->require_inside(target, Reach::Entry, "move to");
    require_parent_folder(target, "move to");
    // Renaming to another case of the same name finds the file itself; that is allowed.
    std::filesystem::path destination = target.host;
    if (kind_of(destination) != Kind::Missing) {
        if (destination != source.host || target.path.is_root())
            detail::throw_fs_error(error::AlreadyExists, "move to", target.text());
        destination = destination.parent_path() / target.path.parts.back();
    }
    if (impl_->dry_run()) return;
    if (rename(source.host.c_str(), destination.c_str()) == 0) return;
    if (errno != EXDEV) detail::throw_host_error(errno, action, source.text());
    // Another drive on another device: a file is copied and removed; a folder is refused as Win32
    // does, and so is a link, which a copy would turn into a file.
    if (kind != Kind::File) detail::throw_fs_error(error::NotSameDevice, action, source.text());
    copy_file(from, to, false);
    delete_file(from, true);
}

void FileSystem::create_directory(std::string_view path) {
    constexpr std::string_view action = "create the folder";
    Target target = impl_->resolve_or_throw(path, action);
    impl_->require_inside(target, Reach::Target, action);
    if (is_folder(target.host)) return;
    if (kind_of(target.host) != Kind::Missing) detail::throw_fs_error(error::AlreadyExists, action, target.text());
    if (impl_->dry_run()) return;
    std::error_code ec;
    std::filesystem::create_directories(target.host, ec);
    if (ec) detail::throw_host_error(ec.value(), action, target.text());
}

void FileSystem::remove_directory(std::string_view path) {
    constexpr std::string_view action = "remove the folder";
    Target target = impl_->resolve_or_throw(path, action);
    Kind kind = impl_->gone(target.text()) ? Kind::Missing : kind_of(target.host);
    if (kind == Kind::Missing) throw_missing(target, action);
    if (target.path.is_root()) detail::throw_fs_error(error::AccessDenied, action, target.text());
    impl_->require_inside(target, Reach::Entry, action);
    if (kind == Kind::Link) {
        if (!is_folder(target.host)) detail::throw_fs_error(error::NotADirectory, action, target.text());
        if (!impl_->dry_run() && unlink(target.host.c_str()) != 0)
            detail::throw_host_error(errno, action, target.text());
        impl_->removed(RemovedKind::File, target.text(), 0);
        return;
    }
    if (kind != Kind::Folder) detail::throw_fs_error(error::NotADirectory, action, target.text());
    if (is_read_only(target.host)) detail::throw_fs_error(error::AccessDenied, action, target.text());
    if (impl_->dry_run()) {
        // What is left in it is what this dry run has not removed.
        for (const std::string& name : detail::list_entries(target.host))
            if (!impl_->gone(detail::windows_child(target.text(), name)))
                detail::throw_host_error(ENOTEMPTY, action, target.text());
    } else if (rmdir(target.host.c_str()) != 0) {
        detail::throw_host_error(errno, action, target.text());
    }
    impl_->removed(RemovedKind::Folder, target.text(), 0);
}

void FileSystem::delete_tree(std::string_view path) {
    constexpr std::string_view action = "delete the folder";
    Target target = impl_->resolve_or_throw(path, action);
    Kind kind = impl_->gone(target.text()) ? Kind::Missing : kind_of(target.host);
    if (kind == Kind::Missing) throw_missing(target, action);
    if (target.path.is_root()) {
        throw FsError(error::AccessDenied,
                      "Cannot " + std::string(action) + " \"" + target.text() + "\": a drive's root is never removed.");
    }
    impl_->require_inside(target, Reach::Entry, action);
    if (kind == Kind::Link) {
        if (!impl_->dry_run() && unlink(target.host.c_str()) != 0)
            detail::throw_host_error(errno, action, target.text());
        impl_->removed(RemovedKind::File, target.text(), 0);
        return;
    }
    if (kind != Kind::Folder) detail::throw_fs_error(error::NotADirectory, action, target.text());
    const int parent = ::open(target.host.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) detail::throw_host_error(errno, action, target.text());
    try {
        detail::remove_tree_at(parent, target.host.filename().string(), target.text(), impl_->tree_removal());
    } catch (...) {
        ::close(parent);
        throw;
    }
    ::close(parent);
}

}  // namespace platform::fs
