#pragma once
// The state behind FileSystem, shared by its path, file and drive halves.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/drive_map.h"
#include "platform/fs/folder_descriptors.h"
#include "platform/fs/fs.h"
#include "platform/fs/quota_account.h"
#include "platform/fs/resolved_folders.h"
#include "platform/fs/tree_removal.h"
#include "platform/fs/windows_path.h"
#include "platform/removals/removal_log.h"

namespace platform::fs {

struct FileSystem::Impl {
    Impl(const std::filesystem::path& machine_dir, bool allow_outside_machine, RemovalLog& removals,
         DriveSettings& settings);

    // A Windows path and the host path it names (trailing components may not exist yet).
    struct Target {
        detail::WindowsPath path;
        std::filesystem::path host;
        std::filesystem::path root;  // the host folder of the path's drive, as found for this lookup
        std::string text() const { return path.text(); }
    };
    // What a destructive operation touches: the entry itself (a link is removed as a link), or
    // what the path leads to once a final link is followed (writing through a link).
    enum class Reach { Entry, Target };

    std::optional<Target> resolve(std::string_view windows_path) const;
    // Whether a host path lies in the machine folder or in a folder mounted into the machine.
    bool inside(const std::filesystem::path& host) const;
    Target resolve_or_throw(std::string_view windows_path, std::string_view action) const;
    std::optional<std::string> outside_reason(const Target& target, Reach reach) const;
    void require_inside(const Target& target, Reach reach, std::string_view action) const;
    // A machine that may only be read refuses every change outside a dry run, but in the folders
    // kept outside it (the program's own, see FileSystem::mount), which are not part of it.
    void refuse_if_read_only(std::string_view windows_path, std::string_view action) const;
    bool refuses_changes_at(std::string_view windows_path) const;
    // The refusal of a change outside the machine; `reason` as outside_reason gives it.
    [[noreturn]] void throw_outside(std::string_view windows_path, const std::string& reason,
                                    std::string_view action) const;
    // A descriptor to read the file the target names (see regular_open.h); -1 with errno when it
    // cannot be opened. A final link is followed only to a file inside the machine, which is then
    // opened by its own name; one leading out of it is refused like a change there.
    int open_to_read(const Target& target, std::string_view action) const;

    // The entries of the folder open as `folder_fd` that match the mask, as find() lists them.
    static std::vector<FindData> list_at(int folder_fd, std::string_view mask);
    // Opening for writing in a dry run: the file is neither made nor truncated nor written.
    File open_in_dry_run(const Target& target, File::Mode mode);
    // An open file for the descriptor of a file just opened at the path.
    File adopt(int fd, std::string windows_path, bool writable, char drive);

    // The entries of the folder open as `folder_fd`, whose Windows path is `folder_path`, by name
    // and kind, as FileSystem and Folder list them.
    std::vector<ListedEntry> listed_at(int folder_fd, const std::string& folder_path) const;
    // The operations of FileSystem on an entry already resolved.
    std::vector<FindData> list(const Target& folder, std::string_view mask) const;
    std::optional<uint32_t> attributes(const Target& target) const;
    std::optional<uint64_t> file_size(const Target& target) const;
    void set_attributes(const Target& target, uint32_t attributes);
    File open(const Target& target, File::Mode mode);
    void delete_file(const Target& target, bool force);

    // The drive's quota account with a fresh count of what is used; null without a quota.
    std::shared_ptr<detail::QuotaAccount> quota_account(char drive);
    // FsError(DiskFull) when growing the drive's files by `growth` bytes would pass its quota.
    void require_room(char drive, uint64_t growth, std::string_view action, std::string_view windows_path);

    // The removal log of the machine (dry_run.cpp): destructive operations note there what went,
    // or in a dry run would have gone, and then change nothing.
    RemovalLog& removals() const { return removal_log; }
    bool dry_run() const;
    // Removed by this dry run already: reads as missing.
    bool gone(std::string_view windows_path) const;
    // Notes an entry that went, or in a dry run would have gone. A file the recording made
    // itself is no trace removed: it is only forgotten.
    void removed(RemovedKind kind, std::string windows_path, uint64_t size);
    detail::TreeRemoval tree_removal() const;
    // A file that only this dry run made (it was never written to the drive): deleting it just
    // forgets it. False for anything else.
    bool forget_pretended(const std::string& windows_path);
    // The entries of a folder without what this dry run removed.
    template <class Entry>
    std::vector<Entry> without_gone(const std::string& folder_path, std::vector<Entry> entries) const {
        if (!dry_run()) return entries;
        std::erase_if(entries, [&](const Entry& entry) {
            return entry.name != "." && entry.name != ".." && gone(detail::windows_child(folder_path, entry.name));
        });
        return entries;
    }
    // A file opened for writing in a dry run: `read_fd` is the existing file open for reading,
    // or -1 when it does not exist (it is not made).
    File pretend_open(int read_fd, std::string windows_path, char drive, uint64_t size);

    std::filesystem::path machine_dir;  // canonical
    bool allow_outside_machine;
    std::string read_only;  // why nothing may be changed; "" when changes may be made
    struct Mount {
        detail::WindowsPath folder;
        std::filesystem::path host;  // canonical
    };
    std::vector<Mount> mounts;
    // The mount the path lies in (its folder or below it); nullptr for none.
    const Mount* mount_of(const detail::WindowsPath& path) const;
    RemovalLog& removal_log;
    DriveSettings& drive_settings;
    detail::DriveMap drive_map;
    mutable detail::ResolvedFolders resolved_folders;
    std::map<char, std::weak_ptr<detail::QuotaAccount>> quota_accounts;
    detail::FolderDescriptors folder_descriptors{64};
};

}  // namespace platform::fs
