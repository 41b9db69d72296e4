#pragma once
// File attributes on a host that has none: read-only lives in the write bits, hidden and system
// in the "user.DOSATTRIB" extended attribute, written as Wine writes it ("0x22").
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/fs/fs.h"

namespace platform::fs::detail {

// What FindFirstFile reports for the entry at `host` (never following a final link); `name` is
// the name to report and to judge dot-files by. nullopt when there is no such entry.
std::optional<FindData> describe_entry(const std::filesystem::path& host, std::string_view name);
// The same for the entry `name` of the folder open as `folder_fd`.
std::optional<FindData> describe_entry_at(int folder_fd, const std::string& name);

// Only what the extended attribute and the name say (Hidden, System) of the entry `name` of the
// folder open as `folder_fd`, without a look at the inode: for walks that know the kind already.
uint32_t hidden_and_system_at(int folder_fd, const std::string& name);

bool is_symlink(const std::filesystem::path& host);

// Stores attributes on a file or folder (not a link). Returns the host errno, 0 on success.
int store_attributes(const std::filesystem::path& host, uint32_t attributes);
int store_attributes_at(int folder_fd, const std::string& name, uint32_t attributes);

// Gives `to` the permission bits and stored attributes of `from` (copies and atomic rewrites
// must not turn a hidden or read-only file into a plain one).
void copy_attributes(const std::filesystem::path& from, int to_fd);

}  // namespace platform::fs::detail
