#pragma once
// Reading host folders the way Windows looks names up in them.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/fs.h"

namespace platform::fs::detail {

// The name of the entry of `folder` that Windows would open for `name`: the exact name when it
// exists, else the first one (in byte order, so the choice is stable) that differs only in case.
std::optional<std::string> find_entry(const std::filesystem::path& folder, std::string_view name);
// Whether the host path leads to a folder, links followed.
bool is_folder(const std::filesystem::path& host);

// The folder's entry names without "." and "..", sorted case-insensitively as NTFS lists them.
// Empty when the folder cannot be read.
std::vector<std::string> list_entries(const std::filesystem::path& folder);
// The same for a folder open as a descriptor (which stays open and keeps its position).
std::vector<std::string> list_entries_at(int folder_fd);

// list_entries_at with each entry's kind, looked up one by one only where the file system's
// listing does not tell it: a walk over a large tree then costs little more than reading it.
std::vector<ListedEntry> list_kinds_at(int folder_fd);

}  // namespace platform::fs::detail
