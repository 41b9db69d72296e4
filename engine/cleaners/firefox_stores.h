#pragma once
// What the Firefox items change in the databases of a profile (Firefox 3 and later): each a change
// for the guarded change of the SQLite layer, noting every row it removes.
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/cleaners/cookie_keep_list.h"
#include "platform/sqlite/guarded_change.h"

namespace engine {

// places.sqlite: every visit, the typed-in and metadata history, and every place that no
// bookmark, keyword or annotation refers to (with the icons and origins only those places used).
// The places that stay lose their visit counts; bookmarks stay as they are. The URLs of the
// places that stay are put in `kept_urls`, for the icons of favicons.sqlite.
platform::sqlite::Change forget_places_history(std::unordered_set<std::string>& kept_urls);

// favicons.sqlite (Firefox 55 and later): the pages that are no place any more, and the icons
// only they used. `database` names the file in the notes.
platform::sqlite::Change forget_page_icons(const std::unordered_set<std::string>& kept_urls,
                                           const std::string& database);

// cookies.sqlite: every cookie but those of the sites `keep` keeps, which go into `kept`.
platform::sqlite::Change forget_cookies(const std::string& database, const CookieKeepList& keep,
                                        std::vector<std::string>& kept);

// formhistory.sqlite: everything typed into forms, and where it was typed.
platform::sqlite::Change forget_form_entries(const std::string& database);

}  // namespace engine
