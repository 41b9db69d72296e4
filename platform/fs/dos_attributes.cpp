#include "platform/fs/dos_attributes.h"

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

std::optional<std::string> read_dosattrib(const std::filesystem::path& host) {
    char buffer[64];
    ssize_t length = getxattr(host.c_str(), kDosAttrib, buffer, sizeof buffer - 1);
    if (length < 0) return std::nullopt;
    return std::string(buffer, static_cast<size_t>(length));
}

// "0x22" as Wine writes it; other tools write binary forms there, which carry nothing we read.
uint32_t parse_dosattrib(const std::string& text) {
    if (!text.starts_with("0x") && !text.starts_with("0X")) return 0;
    return static_cast<uint32_t>(std::strtoul(text.c_str() + 2, nullptr, 16));
}

bool hidden_by_name(std::string_view name) { return name.starts_with('.') && name != "." && name != ".."; }

int write_dosattrib(const std::filesystem::path& host, uint32_t attributes) {
    bool present = read_dosattrib(host).has_value();
    if ((attributes & kStoredFlags) == 0) {
        if (present && removexattr(host.c_str(), kDosAttrib) != 0) return errno;
        return 0;
    }
    char text[16];
    int length = std::snprintf(text, sizeof text, "0x%x", attributes & (kStoredFlags | attr::Archive));
    return setxattr(host.c_str(), kDosAttrib, text, static_cast<size_t>(length), 0) == 0 ? 0 : errno;
}

}  // namespace

std::optional<FindData> describe_entry(const std::filesystem::path& host, std::string_view name) {
    struct stat st;
    if (lstat(host.c_str(), &st) != 0) return std::nullopt;
    FindData data;
    data.name = std::string(name);
    data.write_time = st.st_mtime;
    if (S_ISLNK(st.st_mode)) {
        struct stat target;
        bool to_folder = stat(host.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        data.attributes = attr::ReparsePoint | (to_folder ? attr::Directory : attr::Archive);
    } else {
        data.attributes = S_ISDIR(st.st_mode) ? attr::Directory : attr::Archive;
        if ((st.st_mode & kWriteBits) == 0) data.attributes |= attr::ReadOnly;
        if (auto stored = read_dosattrib(host)) data.attributes |= parse_dosattrib(*stored) & kStoredFlags;
        if (!S_ISDIR(st.st_mode)) data.size = static_cast<uint64_t>(st.st_size);
    }
    if (hidden_by_name(name)) data.attributes |= attr::Hidden;
    return data;
}

bool is_symlink(const std::filesystem::path& host) {
    struct stat st;
    return lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

int store_attributes(const std::filesystem::path& host, uint32_t attributes) {
    struct stat st;
    if (stat(host.c_str(), &st) != 0) return errno;
    mode_t mode = st.st_mode & 07777;
    mode_t wanted = (attributes & attr::ReadOnly) ? (mode & ~kWriteBits)
                    : (mode & kWriteBits)        ? mode
                                                 : (mode | S_IWUSR);
    // Without write access the attribute cannot be written, so the order depends on the change.
    bool gains_write = (wanted & kWriteBits) && !(mode & kWriteBits);
    if (gains_write && chmod(host.c_str(), wanted) != 0) return errno;
    if (int failed = write_dosattrib(host, attributes)) return failed;
    if (!gains_write && wanted != mode && chmod(host.c_str(), wanted) != 0) return errno;
    return 0;
}

void copy_attributes(const std::filesystem::path& from, int to_fd) {
    // The attribute first: a read-only mode would forbid writing it.
    if (auto stored = read_dosattrib(from)) fsetxattr(to_fd, kDosAttrib, stored->data(), stored->size(), 0);
    struct stat st;
    if (stat(from.c_str(), &st) == 0) fchmod(to_fd, st.st_mode & 07777);
}

}  // namespace platform::fs::detail
