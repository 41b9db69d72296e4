#pragma once
// Files the player hands to the browser: the skin folder's pages, scripts and pictures, and single
// machine files such as the day's log.
#include <filesystem>
#include <optional>
#include <string>

namespace platform::movie {

// The file `relative` names inside `folder`, or nullopt when it is missing, not a regular file, or
// would lie outside the folder ("..", an absolute name, a link pointing out of it).
std::optional<std::filesystem::path> file_inside(const std::filesystem::path& folder, const std::string& relative);

// The Content-Type a browser needs to use the file (scripts are only run with a script type).
std::string content_type_of(const std::filesystem::path& file);

// The whole file, or nullopt when it cannot be read.
std::optional<std::string> read_whole_file(const std::filesystem::path& file);

}  // namespace platform::movie
