#pragma once
// Replacing a file's contents so that a crash or a full disk leaves either the old file or the
// new one, never a mix: write a sibling, flush it, rename it over the original.
#include <filesystem>
#include <functional>
#include <string_view>

namespace platform::fs {

// Makes the renames done in a folder durable: without it a crash can bring the old name back.
// Best effort: a folder that cannot be synced has still had its files replaced. A writer that
// replaces several files in one folder syncs it once for all.
void sync_folder(const std::filesystem::path& folder);

}  // namespace platform::fs

namespace platform::fs::detail {

// `fill` writes the new contents to the descriptor and returns 0 or a host errno. The new file
// takes permissions and stored attributes from `attributes_from` when it exists.
void replace_file(const std::filesystem::path& target, const std::function<int(int fd)>& fill,
                  const std::filesystem::path& attributes_from, std::string_view action, std::string_view windows_path);

}  // namespace platform::fs::detail
