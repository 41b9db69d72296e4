// The file system's side of a recording: what went is noted, and in a dry run nothing goes.
#include "platform/fs/file_impl.h"
#include "platform/fs/file_system_impl.h"

namespace platform::fs {

RemovalLog& FileSystem::removals() { return impl_->removals(); }

bool FileSystem::Impl::dry_run() const { return removals().dry_run(); }

bool FileSystem::Impl::gone(std::string_view windows_path) const {
    return dry_run() && removals().gone(windows_path);
}

void FileSystem::Impl::removed(RemovedKind kind, std::string windows_path, uint64_t size) {
    RemovalLog& log = removals();
    if (!log.recording()) return;
    if (kind == RemovedKind::File && log.take_created(windows_path)) return;
    // A link is recorded as a file without bytes; a file with bytes is a regular file, and
    // nothing lies below it.
    log.mark_gone(windows_path, kind != RemovedKind::File || size == 0);
    if (kind == RemovedKind::File) size = log.length_before_writing(windows_path, size);
    log.record(kind, std::move(windows_path), size);
}

bool FileSystem::Impl::forget_pretended(const std::string& windows_path) {
    return dry_run() && removals().take_created(windows_path);
}

detail::TreeRemoval FileSystem::Impl::tree_removal() const {
    auto* self = const_cast<Impl*>(this);
    return {dry_run(), [self](const std::string& path) { return self->gone(path); },
            [self](const std::string& path, bool folder, uint64_t size) {
                self->removed(folder ? RemovedKind::Folder : RemovedKind::File, path, size);
            }};
}

File FileSystem::Impl::pretend_open(int read_fd, std::string windows_path, char drive, uint64_t size) {
    File file = adopt(read_fd, std::move(windows_path), true, drive);
    file.impl_->dry = true;
    file.impl_->dry_size = size;
    return file;
}

}  // namespace platform::fs
