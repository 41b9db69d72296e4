#pragma once
// Which cookie keep-list a clean applies: the one saved in the user's settings (the options
// screen edits it), with the sites a single run adds for itself (the command line's
// --keep-cookies-from) while that run's scope lives.
#include <string>
#include <vector>

#include "engine/cleaners/cookie_keep_list.h"
#include "engine/foundation/event.h"

namespace engine {

CookieKeepList saved_cookie_keep_list();
void save_cookie_keep_list(const CookieKeepList& list);

// The saved list with the sites of the run in progress, if any.
CookieKeepList cookie_keep_list_in_force();

// A cookie (or a cookie file) a clean leaves because its site is kept: listed as kept beside the
// run's removals, and a line of the log.
void note_kept_cookie(Event<std::string>& show_log, const std::string& what);
// A cookie file kept whole, the cookies of other sites with it, as it may hold a kept site's.
void note_kept_cookie_file(Event<std::string>& show_log, const std::string& file);

// Sites kept for as long as the object lives, on top of the saved ones; scopes do not nest.
class RunKeptCookieSites {
public:
    explicit RunKeptCookieSites(std::vector<std::string> sites);
    ~RunKeptCookieSites();
    RunKeptCookieSites(const RunKeptCookieSites&) = delete;
    RunKeptCookieSites& operator=(const RunKeptCookieSites&) = delete;
};

}  // namespace engine
