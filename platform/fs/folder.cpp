// Walking a folder's entries by name, with the folder's path looked up and checked only once.
#include <sys/stat.h>

#include "platform/fs/file_system_impl.h"
#include "platform/fs/fs_errors.h"

namespace platform::fs {

using Target = FileSystem::Impl::Target;

struct Folder::Impl {
    FileSystem::Impl& files;
    Target folder;  // its host path with every link resolved

    // One name of this folder, as a Windows path could name it: never one that leads elsewhere
    // ("..", "a\b") or that a path could not carry ("what?"), which path lookups skip as well.
    std::optional<Target> entry(std::string_view name) const {
        if (!detail::is_plain_name(name)) return std::nullopt;
        return Target{folder.path.child(name), folder.host / name, folder.parent_inside};
    }

    Target entry_or_throw(std::string_view name, std::string_view action) const {
        if (auto target = entry(name)) return *target;
        detail::throw_fs_error(error::InvalidName, action, folder.text() + "\\" + std::string(name));
    }
};

namespace {

bool is_real_folder(const std::filesystem::path& host) {
    struct stat st;
    return lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

Folder::Folder(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Folder::Folder(Folder&&) noexcept = default;
Folder& Folder::operator=(Folder&&) noexcept = default;
Folder::~Folder() = default;

std::optional<Folder> FileSystem::open_folder(std::string_view path) {
    auto target = impl_->resolve(path);
    if (!target) return std::nullopt;
    std::error_code ec;
    auto host = std::filesystem::canonical(target->host, ec);
    if (ec || !is_real_folder(host)) return std::nullopt;
    // Everything below a folder inside the machine is inside too, as long as no link is followed
    // on the way down; entries are reached by name, and a link among them gets its own check.
    const bool inside = !impl_->outside_reason(*target, Impl::Reach::Target);
    return Folder(std::make_unique<Folder::Impl>(Folder::Impl{*impl_, Target{target->path, host, inside}}));
}

std::vector<FindData> Folder::entries() const { return impl_->files.list(impl_->folder, "*"); }

std::optional<Folder> Folder::subfolder(std::string_view name) const {
    auto entry = impl_->entry(name);
    if (!entry || !is_real_folder(entry->host)) return std::nullopt;
    return Folder(std::make_unique<Impl>(Impl{impl_->files, std::move(*entry)}));
}

std::optional<uint32_t> Folder::attributes(std::string_view name) const {
    auto entry = impl_->entry(name);
    return entry ? impl_->files.attributes(*entry) : std::nullopt;
}

std::optional<uint64_t> Folder::file_size(std::string_view name) const {
    auto entry = impl_->entry(name);
    return entry ? impl_->files.file_size(*entry) : std::nullopt;
}

void Folder::set_attributes(std::string_view name, uint32_t attributes) {
    impl_->files.set_attributes(impl_->entry_or_throw(name, "change the attributes of"), attributes);
}

File Folder::open(std::string_view name, File::Mode mode) {
    return impl_->files.open(impl_->entry_or_throw(name, mode != File::Mode::Read ? "open for writing" : "open"),
                             mode);
}

void Folder::delete_file(std::string_view name, bool force) {
    impl_->files.delete_file(impl_->entry_or_throw(name, "delete"), force);
}

}  // namespace platform::fs
