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

// How a machine file is handed out. A machine file is anybody's content (a cached web page, a
// picture from a mail): only types a browser never runs script from keep their own; every other
// file is plain text and a download, so that opening it can never run script at our address.
struct MachineFileType {
    std::string content_type;
    bool attachment = false;
};
MachineFileType machine_file_type(const std::filesystem::path& file);

// A file handed out whole, or why not. Only regular files are read, and only up to a size: a name
// that is a link to /dev/zero, a pipe or a huge file must not fill the program's memory.
struct FileRead {
    enum class Refusal { none, unreadable, not_a_regular_file, too_large };
    std::string content;
    Refusal refusal = Refusal::none;
};
// `file`'s last component is not followed when it is a symbolic link (that is refused too).
FileRead read_regular_file(const std::filesystem::path& file, std::size_t largest);

}  // namespace platform::movie
