#include "platform/inet/user_folders.h"

#include "platform/inet/folder_path.h"
#include "platform/machine/machine.h"

namespace platform::inet {

namespace {
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
}

std::string user_shell_folder(Machine& machine, std::string_view name) {
    registry::Value value;
    if (machine.registry().query_value(registry::Root::CurrentUser, kShellFolders, name, value) != registry::Status::Ok)
        return {};
    if (value.type != registry::type::Sz && value.type != registry::type::ExpandSz) return {};
    std::string text(value.data.begin(), value.data.end());
    return text.substr(0, text.find('\0'));
}

UrlCache user_url_cache(Machine& machine) { return UrlCache(machine.files(), user_shell_folder(machine, "Cache")); }

UrlHistory user_url_history(Machine& machine) {
    return UrlHistory(machine.files(), user_shell_folder(machine, "History"), machine.user_name());
}

std::optional<UrlContainer> user_cookie_index(Machine& machine) {
    std::string folder = without_trailing_backslash(user_shell_folder(machine, "Cookies"));
    if (!is_full_path(folder)) return std::nullopt;
    return UrlContainer(machine.files(), std::move(folder));
}

}  // namespace platform::inet
