#pragma once
// Where the current user's browser keeps its cache and history: the Shell Folders values of
// the user's hive, as the browser itself looks them up.
#include <optional>
#include <string>
#include <string_view>

#include "platform/inet/url_cache.h"
#include "platform/inet/url_container.h"
#include "platform/inet/url_history_store.h"

namespace platform {
class Machine;
}

namespace platform::inet {

// The value of HKEY_CURRENT_USER\...\Explorer\Shell Folders; "" when it is missing.
std::string user_shell_folder(Machine& machine, std::string_view name);

// The stores of the current user ("Cache" and "History" shell folders).
UrlCache user_url_cache(Machine& machine);
UrlHistory user_url_history(Machine& machine);
// The index of the user's cookies: the container is the "Cookies" shell folder itself; nullopt
// when that folder is not a full path.
std::optional<UrlContainer> user_cookie_index(Machine& machine);

}  // namespace platform::inet
