#pragma once
// What the Chromium-family items change in the databases of a profile: each a change for the
// guarded change of the SQLite layer, noting every row it removes.
#include <string>
#include <vector>

#include "engine/cleaners/cookie_keep_list.h"
#include "platform/sqlite/guarded_change.h"

namespace engine {

// History: every URL and visit, the search terms typed, the most-visited segments and what
// newer versions derive from visits. Downloads stay: they have an item of their own.
platform::sqlite::Change forget_chromium_history();

// History: the list of downloads and the addresses each came from.
platform::sqlite::Change forget_chromium_downloads(const std::string& database);

// Cookies, or Network\Cookies: every cookie but those of the sites `keep` keeps, which go into
// `kept`.
platform::sqlite::Change forget_chromium_cookies(const std::string& database, const CookieKeepList& keep,
                                                 std::vector<std::string>& kept);

}  // namespace engine
