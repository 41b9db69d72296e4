#pragma once
// The cookie table of a browser's SQLite database emptied but for the cookies of the sites the
// user keeps: the one rule every browser that keeps its cookies in SQLite follows.
#include <string>
#include <vector>

#include "engine/cleaners/cookie_keep_list.h"
#include "platform/sqlite/guarded_change.h"

namespace engine {

struct CookieTable {
    const char* table;
    const char* host_column;  // the site a cookie belongs to, with a leading dot for a domain cookie
};

// Removes every row whose host `keep` does not keep, noting "<database>: <host> <name>" for each;
// the rows it keeps are put in `kept` in the same form, to be listed as kept once the change is
// made (a change that is rolled back keeps nothing it could list).
void forget_unkept_cookies(platform::sqlite::Database& db, const platform::sqlite::Note& note, CookieTable cookies,
                           const CookieKeepList& keep, const std::string& database, std::vector<std::string>& kept);

}  // namespace engine
