#pragma once
// A Windows path taken apart: drive letter and the components below its root.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::fs::detail {

struct WindowsPath {
    char drive = 'C';                // upper case
    std::vector<std::string> parts;  // no ".", "..", or empty components

    bool is_root() const { return parts.empty(); }
    std::string text() const;  // "C:\a\b", or "C:\" for the root
    WindowsPath child(std::string_view name) const;
};

// Accepts "C:\a\b", "c:/a/b", "\\?\C:\a", doubled and trailing separators. ".." stops at the
// drive root, as Windows does. nullopt for relative, UNC and device paths and for names holding
// characters Windows forbids (so wildcards never reach a host call by accident).
std::optional<WindowsPath> parse_windows_path(std::string_view path);

// Whether `name` is one component Windows would carry: not empty, "." or "..", and without
// separators or characters Windows forbids.
bool is_plain_name(std::string_view name);

// A pattern split into the folder to list and the mask for its entries ("C:\x\*.tmp" ->
// "C:\x", "*.tmp"); nullopt when the folder part is not a valid path or the mask is empty.
struct SearchPattern {
    WindowsPath folder;
    std::string mask;
};
std::optional<SearchPattern> parse_search_pattern(std::string_view pattern);

}  // namespace platform::fs::detail
