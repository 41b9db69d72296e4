#pragma once
// Small helpers for the Windows paths the file walkers build.
#include <string>
#include <string_view>

namespace engine {

// folder + "\" + name, without doubling a backslash the folder already ends with ("C:\").
inline std::string join_path(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\') path += '\\';
    path += name;
    return path;
}

// The last element of a path split at "\": the bare file name.
inline std::string file_name_of(std::string_view path) {
    const auto slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// "C:", "C:\" or "c:\\": a drive's root folder, which is never removed.
inline bool names_a_drive_root(std::string_view path) {
    while (path.size() > 2 && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
    return path.size() == 2 && path[1] == ':';
}

// The text before the first NUL character (names from the system may carry a padded tail).
inline std::string cut_at_nul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

}  // namespace engine
