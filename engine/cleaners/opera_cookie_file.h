#pragma once
// Opera's cookie file (cookies4.dat), read far enough to tell which sites it may hold cookies of.
// The file is a header and a sequence of tagged records; a domain record names one label of a
// host ("com", then "example" below it, then "www"), and the domains below it and their cookies
// follow as records of their own. Only the names are read here: the file is kept or removed
// whole, never rewritten.
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "engine/cleaners/cookie_keep_list.h"

namespace engine {

// Every label the domain records name, in lower case; nothing when the bytes are no such file.
std::optional<std::set<std::string>> opera_cookie_domain_labels(std::string_view bytes);

// Whether a site of the list may have cookies in a file of these labels: each label of its name
// is among them. A site may be found where it is not (its labels under other domains), never
// missed where it is.
bool may_hold_kept_site(const std::set<std::string>& labels, const CookieKeepList& keep);

}  // namespace engine
