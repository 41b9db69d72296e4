// Where a Windows path leads on the host, and whether the machine may change what it leads to.
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "platform/fs/dos_attributes.h"
#include "platform/fs/file_system_impl.h"
#include "platform/fs/fs_errors.h"
#include "platform/fs/host_folder.h"
#include "platform/fs/path_within.h"
#include "platform/fs/regular_open.h"
#include "platform/text/ascii_case.h"

namespace platform::fs {

namespace {

std::filesystem::path canonical_or_absolute(const std::filesystem::path& path) {
    std::error_code ec;
    auto canonical = std::filesystem::canonical(path, ec);
    return ec ? std::filesystem::absolute(path) : canonical;
}

// The user's home folder as the environment names it and as the password database does; either
// may be the one a prefix's links lead to.
std::vector<std::filesystem::path> home_folders() {
    std::vector<std::filesystem::path> homes;
    if (const char* home = std::getenv("HOME"); home && *home == '/') homes.push_back(canonical_or_absolute(home));
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && *entry->pw_dir == '/')
        homes.push_back(canonical_or_absolute(entry->pw_dir));
    return homes;
}

// Every link on the way resolved, except a final one: that is the entry itself.
std::filesystem::path entry_location(const std::filesystem::path& host) {
    return std::filesystem::weakly_canonical(host.parent_path()) / host.filename();
}

}  // namespace

FileSystem::Impl::Impl(const std::filesystem::path& machine_dir, bool allow_outside_machine, RemovalLog& removals,
                       DriveSettings& settings)
    : machine_dir(canonical_or_absolute(machine_dir)),
      allow_outside_machine(allow_outside_machine),
      removal_log(removals),
      drive_settings(settings),
      drive_map(machine_dir) {}

FileSystem::FileSystem(const std::filesystem::path& machine_dir, bool allow_outside_machine, RemovalLog& removals,
                       DriveSettings& settings)
    : impl_(std::make_unique<Impl>(machine_dir, allow_outside_machine, removals, settings)) {}
FileSystem::~FileSystem() = default;

std::optional<FileSystem::Impl::Target> FileSystem::Impl::resolve(std::string_view windows_path) const {
    auto path = detail::parse_windows_path(windows_path);
    if (!path) return std::nullopt;
    auto root = drive_map.root(path->drive);
    if (!root) return std::nullopt;
    const Mount* mount = mount_of(*path);
    const size_t count = path->parts.size();
    // Below a mount the walk starts at the mounted folder, which is never remembered nor found
    // again from the root. Elsewhere it starts at the deepest folder found before; the last
    // component is looked up every time: it is what the caller asks about.
    detail::ResolvedFolders::Start start =
        mount ? detail::ResolvedFolders::Start{mount->folder.parts.size(), mount->host}
              : resolved_folders.deepest(*path, count == 0 ? 0 : count - 1, *root);
    for (;;) {
        Target target{*path, start.host, *root};
        bool found_so_far = true, restart = false;
        for (size_t i = start.parts; i < count && !restart; ++i) {
            const std::string& part = target.path.parts[i];
            // Once a component is missing, the rest are new names and keep the case they were given.
            std::optional<std::string> entry = found_so_far ? detail::find_entry(target.host, part) : std::nullopt;
            if (!mount) {
                // Missing in a remembered folder that is itself gone: found again from the root.
                restart = !entry && i == start.parts && i > 0 && !detail::is_folder(target.host);
                if (entry && i > 0) resolved_folders.remember(target.path, i, target.host);
            }
            found_so_far = entry.has_value();
            target.host /= entry ? *entry : part;
        }
        if (!restart) return target;
        resolved_folders.forget_all();
        start = {0, *root};
    }
}

FileSystem::Impl::Target FileSystem::Impl::resolve_or_throw(std::string_view windows_path,
                                                            std::string_view action) const {
    if (auto target = resolve(windows_path)) return *target;
    auto path = detail::parse_windows_path(windows_path);
    if (!path) detail::throw_fs_error(error::InvalidName, action, windows_path);
    throw FsError(error::PathNotFound, "Cannot " + std::string(action) + " \"" + std::string(windows_path) +
                                           "\": drive " + std::string(1, path->drive) +
                                           ": is not mapped on this machine.");
}

std::optional<std::string> FileSystem::Impl::outside_reason(const Target& target, Reach reach) const {
    if (allow_outside_machine) return std::nullopt;
    const std::filesystem::path& root = target.root;
    if (!is_within(root, machine_dir))
        return "drive " + std::string(1, target.path.drive) + ": maps to " + root.string() + ", which";
    std::filesystem::path entry = target.path.is_root() ? root : entry_location(target.host);
    if (!inside(entry)) return "it is " + entry.string() + " on this computer, which";
    if (reach == Reach::Target && detail::is_symlink(target.host)) {
        auto destination = std::filesystem::weakly_canonical(target.host);
        if (!inside(destination))
            return "it links to " + destination.string() + ", which";
    }
    return std::nullopt;
}

void FileSystem::Impl::require_inside(const Target& target, Reach reach, std::string_view action) const {
    if (auto reason = outside_reason(target, reach)) throw_outside(target.text(), *reason, action);
    refuse_if_read_only(target.text(), action);
}

bool FileSystem::Impl::refuses_changes_at(std::string_view windows_path) const {
    if (read_only.empty() || removal_log.dry_run()) return false;
    const auto path = detail::parse_windows_path(windows_path);
    return !path || !mount_of(*path);
}

void FileSystem::Impl::refuse_if_read_only(std::string_view windows_path, std::string_view action) const {
    if (refuses_changes_at(windows_path))
        throw FsError(error::AccessDenied, "Cannot " + std::string(action) + " \"" + std::string(windows_path) + "\": " + read_only);
}

int FileSystem::Impl::open_to_read(const Target& target, std::string_view action) const {
    if (!detail::is_symlink(target.host)) return detail::open_regular(AT_FDCWD, target.host.c_str());
    const auto destination = std::filesystem::weakly_canonical(target.host);
    if (!allow_outside_machine && !inside(destination))
        throw_outside(target.text(), "it links to " + destination.string() + ", which", action);
    return detail::open_regular(AT_FDCWD, destination.c_str());
}

void FileSystem::Impl::throw_outside(std::string_view windows_path, const std::string& reason,
                                     std::string_view action) const {
    throw FsError(error::AccessDenied, "Cannot " + std::string(action) + " \"" + std::string(windows_path) +
                                           "\": " + reason + " lies outside the machine folder " +
                                           machine_dir.string() + "; start with --allow-outside-machine to allow it.");
}

std::optional<std::filesystem::path> FileSystem::to_host(std::string_view windows_path) const {
    auto target = impl_->resolve(windows_path);
    if (!target) return std::nullopt;
    return target->host;
}

std::optional<std::string> FileSystem::to_windows(const std::filesystem::path& host_path) const {
    std::filesystem::path location = entry_location(std::filesystem::absolute(host_path).lexically_normal());
    if (location.filename().empty()) location = location.parent_path();
    for (const Impl::Mount& mount : impl_->mounts) {
        if (!is_within(location, mount.host)) continue;
        detail::WindowsPath path = mount.folder;
        for (const auto& part : location.lexically_relative(mount.host))
            if (part != ".") path.parts.push_back(part.string());
        return path.text();
    }
    // The drive whose root is deepest wins: z: -> / holds everything, c: says more.
    std::optional<std::string> best;
    size_t best_depth = 0;
    for (char letter : impl_->drive_map.letters()) {
        auto root = *impl_->drive_map.root(letter);
        if (!is_within(location, root)) continue;
        size_t depth = static_cast<size_t>(std::distance(root.begin(), root.end()));
        if (best && depth <= best_depth) continue;
        detail::WindowsPath path{letter, {}};
        for (const auto& part : location.lexically_relative(root)) {
            if (part != ".") path.parts.push_back(part.string());
        }
        best = path.text();
        best_depth = depth;
    }
    return best;
}

std::optional<FileSystem::KeptFolder> FileSystem::kept_folder(std::string_view folder) const {
    auto target = impl_->resolve(folder);
    if (!target) return std::nullopt;
    const auto host = std::filesystem::weakly_canonical(target->host);
    if (host == host.root_path()) return KeptFolder{KeptFolder::Kind::FileSystemRoot, host};
    for (const auto& home : home_folders())
        if (is_within(home, host)) return KeptFolder{KeptFolder::Kind::Home, host};
    if (is_within(impl_->machine_dir, host)) return KeptFolder{KeptFolder::Kind::MachineFolder, host};
    return std::nullopt;
}

std::optional<std::filesystem::path> FileSystem::linked_out_of_machine(std::string_view path) const {
    auto target = impl_->resolve(path);
    if (!target) return std::nullopt;
    auto location = std::filesystem::weakly_canonical(target->host);
    auto root = impl_->drive_map.root(target->path.drive);
    if (impl_->inside(location) || (root && is_within(location, *root))) return std::nullopt;
    return location;
}

const FileSystem::Impl::Mount* FileSystem::Impl::mount_of(const detail::WindowsPath& path) const {
    for (const Mount& mount : mounts) {
        const auto& under = mount.folder.parts;
        if (text::ascii_upper(mount.folder.drive) == text::ascii_upper(path.drive) && path.parts.size() >= under.size() &&
            std::equal(under.begin(), under.end(), path.parts.begin(),
                       [](const std::string& a, const std::string& b) { return text::iequals(a, b); }))
            return &mount;
    }
    return nullptr;
}

bool FileSystem::Impl::inside(const std::filesystem::path& host) const {
    return is_within(host, machine_dir) ||
           std::any_of(mounts.begin(), mounts.end(), [&](const Mount& mount) { return is_within(host, mount.host); });
}

void FileSystem::mount(std::string_view windows_folder, const std::filesystem::path& host_folder) {
    auto folder = detail::parse_windows_path(windows_folder);
    if (!folder) throw std::invalid_argument("not a Windows folder to mount: " + std::string(windows_folder));
    std::filesystem::create_directories(host_folder);
    impl_->mounts.push_back({std::move(*folder), std::filesystem::canonical(host_folder)});
}

void FileSystem::set_read_only(std::string reason) { impl_->read_only = std::move(reason); }

bool FileSystem::may_modify(std::string_view windows_path) const {
    auto target = impl_->resolve(windows_path);
    return target && !impl_->outside_reason(*target, Impl::Reach::Target) && !impl_->refuses_changes_at(target->text());
}

}  // namespace platform::fs
