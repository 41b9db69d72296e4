#include "platform/fs/installation_layout.h"

#include <string>

#include "platform/fs/host_folder.h"

namespace platform::fs {

std::optional<std::filesystem::path> find_below(const std::filesystem::path& folder,
                                                std::initializer_list<std::string_view> names) {
    std::filesystem::path path = folder;
    for (const std::string_view name : names) {
        const std::optional<std::string> entry = detail::find_entry(path, name);
        if (!entry) return std::nullopt;
        path /= *entry;
    }
    return path;
}

bool is_windows_installation(const std::filesystem::path& dir) {
    std::error_code error;
    const auto software = find_below(dir, {"WINDOWS", "system32", "config", "SOFTWARE"});
    return software && std::filesystem::is_regular_file(*software, error);
}

}  // namespace platform::fs
