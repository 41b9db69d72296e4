#pragma once
// A cookie file in the Netscape format ("cookies.txt": one cookie a line, its fields separated
// by tabs, the host first), cleaned but for the sites of the cookie keep-list.
#include <string>
#include <string_view>

#include "engine/cleaners/cookie_keep_list.h"
#include "engine/foundation/event.h"

namespace engine {

// With nothing kept, or no line of a kept site in it, the file is shredded. Otherwise the file
// is shredded and written again with its comment lines and the kept cookies only, each of which
// is noted as kept ("<file>: <host> <name>"). A file that cannot be read stays as it is.
void clean_cookies_txt(Event<std::string>& show_log, std::string_view source, const std::string& file,
                       const CookieKeepList& keep);

}  // namespace engine
