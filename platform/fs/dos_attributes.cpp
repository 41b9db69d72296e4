#include "platform/fs/dos_attributes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform::fs::detail {

namespace {

constexpr const char* kDosAttrib = "user.DOSATTRIB";
constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;
// Wine keeps these in the extended attribute; read-only and directory come from the inode.
constexpr uint32_t kStoredFlags = attr::Hidden | attr::System;

// An entry named by a path, or by its name in a folder open as a descriptor. The extended
// attribute calls take only paths; the descriptor's own path under /proc reaches the entry
// without looking up every folder above it again. A walk never reaches through a final link;
// a path given by a caller does, as it always has.
struct Entry {
    int folder_fd;
    std::string name;
    bool by_path() const { return folder_fd == AT_FDCWD; }
    std::string xattr_path() const {
        return by_path() ? name : "/proc/self/fd/" + std::to_string(folder_fd) + "/" + name;
    }
};

std::optional<std::string> read_dosattrib(const Entry& entry) {
    char buffer[64];
    const std::string path = entry.xattr_path();
    ssize_t length = entry.by_path() ? getxattr(path.c_str(), kDosAttrib, buffer, sizeof buffer - 1)
                                     : lgetxattr(path.c_str(), kDosAttrib, buffer, sizeof buffer - 1);
    if (length < 0) return std::nullopt;
    return std::string(buffer, static_cast<size_t>(length));
}

// "0x22" as Wine writes it; other tools write binary forms there, which carry nothing we read.
uint32_t parse_dosattrib(const std::string& text) {
    if (!text.starts_with("0x") && !text.starts_with("0X")) return 0;
    return static_cast<uint32_t>(std::strtoul(text.c_str() + 2, nullptr, 16));
}

bool hidden_by_name(std::string_view name) { return name.starts_with('.') && name != "." && name != ".."; }

int write_dosattrib(const Entry& entry, uint32_t attributes) {
    bool present = read_dosattrib(entry).has_value();
    const std::string path = entry.xattr_path();
    if ((attributes & kStoredFlags) == 0) {
        if (present && (entry.by_path() ? removexattr : lremovexattr)(path.c_str(), kDosAttrib) != 0) return errno;
        return 0;
    }
    char text[16];
    int length = std::snprintf(text, sizeof text, "0x%x", attributes & (kStoredFlags | attr::Archive));
    return (entry.by_path() ? setxattr : lsetxattr)(path.c_str(), kDosAttrib, text, static_cast<size_t>(length), 0) == 0
               ? 0
               : errno;
}

std::optional<FindData> describe(const Entry& entry, std::string_view name) {
    struct stat st;
    if (fstatat(entry.folder_fd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    FindData data;
    data.name = std::string(name);
    data.write_time = st.st_mtime;
    if (S_ISLNK(st.st_mode)) {
        struct stat target;
        bool to_folder = fstatat(entry.folder_fd, entry.name.c_str(), &target, 0) == 0 && S_ISDIR(target.st_mode);
        data.attributes = attr::ReparsePoint | (to_folder ? attr::Directory : attr::Archive);
    } else {
        data.attributes = S_ISDIR(st.st_mode) ? attr::Directory : attr::Archive;
        if ((st.st_mode & kWriteBits) == 0) data.attributes |= attr::ReadOnly;
        if (auto stored = read_dosattrib(entry)) data.attributes |= parse_dosattrib(*stored) & kStoredFlags;
        if (!S_ISDIR(st.st_mode)) data.size = static_cast<uint64_t>(st.st_size);
    }
    if (hidden_by_name(name)) data.attributes |= attr::Hidden;
    return data;
}

// Follows a link, as chmod does; callers refuse links before they get here.
int store(const Entry& entry, uint32_t attributes) {
    struct stat st;
    if (fstatat(entry.folder_fd, entry.name.c_str(), &st, 0) != 0) return errno;
    mode_t mode = st.st_mode & 07777;
    mode_t wanted = (attributes & attr::ReadOnly) ? (mode & ~kWriteBits)
                    : (mode & kWriteBits)        ? mode
                                                 : (mode | S_IWUSR);
    // Without write access the attribute cannot be written, so the order depends on the change.
    bool gains_write = (wanted & kWriteBits) && !(mode & kWriteBits);
    if (gains_write && fchmodat(entry.folder_fd, entry.name.c_str(), wanted, 0) != 0) return errno;
    if (int failed = write_dosattrib(entry, attributes)) return failed;
    if (!gains_write && wanted != mode && fchmodat(entry.folder_fd, entry.name.c_str(), wanted, 0) != 0) return errno;
    return 0;
}

}  // namespace

std::optional<FindData> describe_entry(const std::filesystem::path& host, std::string_view name) {
    return describe(Entry{AT_FDCWD, host.string()}, name);
}

std::optional<FindData> describe_entry_at(int folder_fd, const std::string& name) {
    return describe(Entry{folder_fd, name}, name);
}

uint32_t hidden_and_system_at(int folder_fd, const std::string& name) {
    uint32_t flags = hidden_by_name(name) ? attr::Hidden : 0;
    if (auto stored = read_dosattrib(Entry{folder_fd, name})) flags |= parse_dosattrib(*stored) & kStoredFlags;
    return flags;
}

bool is_symlink(const std::filesystem::path& host) {
    struct stat st;
    return lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

int store_attributes(const std::filesystem::path& host, uint32_t attributes) {
    return store(Entry{AT_FDCWD, host.string()}, attributes);
}

int store_attributes_at(int folder_fd, const std::string& name, uint32_t attributes) {
    return store(Entry{folder_fd, name}, attributes);
}

void copy_attributes(const std::filesystem::path& from, int to_fd) {
    // The attribute first: a read-only mode would forbid writing it.
    if (auto stored = read_dosattrib(Entry{AT_FDCWD, from.string()}))
        fsetxattr(to_fd, kDosAttrib, stored->data(), stored->size(), 0);
    struct stat st;
    if (stat(from.c_str(), &st) == 0) fchmod(to_fd, st.st_mode & 07777);
}

}  // namespace platform::fs::detail
