#include "platform/inet/user_folders.h"

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
    return UrlHistory(machine.files(), user_shell_folder(machine, "History"));
}

}  // namespace platform::inet
