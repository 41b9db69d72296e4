// The machine's drives: which exist, what kind they are, and how much room they have.
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "platform/fs/file_system_impl.h"
#include "platform/fs/fs_errors.h"

namespace platform::fs {

namespace {

// "C:\", "c:", "C:/": the drive letter of a root; nullopt for anything else.
std::optional<char> root_letter(std::string_view root) {
    auto path = detail::parse_windows_path(root);
    if (!path || !path->is_root()) return std::nullopt;
    return path->drive;
}

uint32_t clusters(uint64_t bytes, uint64_t cluster_size) {
    return static_cast<uint32_t>(std::min<uint64_t>(bytes / cluster_size, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

std::vector<std::string> FileSystem::drives() const {
    std::vector<std::string> roots;
    for (char letter : impl_->drive_map.letters()) roots.push_back({letter, ':', '\\'});
    return roots;
}

DriveType FileSystem::drive_type(std::string_view root) const {
    auto letter = root_letter(root);
    if (!letter || !impl_->drive_map.root(*letter)) return DriveType::NoRootDir;
    return impl_->drive_settings.type(*letter);
}

FreeSpace FileSystem::free_space(std::string_view root) const {
    constexpr std::string_view action = "read the free space of";
    auto path = detail::parse_windows_path(root);
    if (!path) detail::throw_fs_error(error::InvalidName, action, root);
    auto host_root = impl_->drive_map.root(path->drive);
    if (!host_root) detail::throw_fs_error(error::PathNotFound, action, root);
    struct statvfs vfs;
    if (statvfs(host_root->c_str(), &vfs) != 0) detail::throw_host_error(errno, action, root);

    FreeSpace space;
    uint64_t block = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    space.free_bytes = static_cast<uint64_t>(vfs.f_bavail) * block;
    space.total_bytes = static_cast<uint64_t>(vfs.f_blocks) * block;
    if (auto quota = impl_->drive_settings.quota(path->drive)) {
        detail::QuotaAccount account{*quota, detail::bytes_used(*host_root)};
        // Never more than the real device has left: a wipe trusting this must not fill the disk.
        space.free_bytes = std::min(space.free_bytes, account.room());
        space.total_bytes = *quota;
    }
    if (block >= space.bytes_per_sector && block % space.bytes_per_sector == 0)
        space.sectors_per_cluster = static_cast<uint32_t>(block / space.bytes_per_sector);
    uint64_t cluster_size = uint64_t{space.sectors_per_cluster} * space.bytes_per_sector;
    space.free_clusters = clusters(space.free_bytes, cluster_size);
    space.total_clusters = clusters(space.total_bytes, cluster_size);
    return space;
}

void FileSystem::set_quota(char drive_letter, std::optional<uint64_t> capacity_bytes) {
    impl_->drive_settings.set_quota(drive_letter, capacity_bytes);
}

std::shared_ptr<detail::QuotaAccount> FileSystem::Impl::quota_account(char drive) {
    auto quota = drive_settings.quota(drive);
    if (!quota) return nullptr;
    auto host_root = drive_map.root(drive);
    if (!host_root) return nullptr;
    std::shared_ptr<detail::QuotaAccount> account = quota_accounts[drive].lock();
    if (!account) {
        account = std::make_shared<detail::QuotaAccount>();
        quota_accounts[drive] = account;
    }
    account->capacity = *quota;
    account->used = detail::bytes_used(*host_root);
    return account;
}

void FileSystem::Impl::require_room(char drive, uint64_t growth, std::string_view action,
                                    std::string_view windows_path) {
    auto account = quota_account(drive);
    if (!account) return;
    if (growth > account->room()) detail::throw_fs_error(error::DiskFull, action, windows_path);
    // Writers still open on the drive must see these bytes as taken.
    account->used += growth;
}

}  // namespace platform::fs
