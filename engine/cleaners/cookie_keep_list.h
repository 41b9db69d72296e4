#pragma once
// The sites whose cookies a clean keeps: the user stays signed in where they chose to. A site is
// either a host ("mail.example.com": that host only) or a domain with a leading dot
// (".example.com": example.com and every host below it). Names compare without letter case, as
// host names do.
#include <string>
#include <string_view>
#include <vector>

namespace engine {

class CookieKeepList {
public:
    CookieKeepList() = default;
    // Blank names are dropped; each name is trimmed and lower-cased, and a repeated one kept once.
    // "*.example.com" is read as ".example.com".
    explicit CookieKeepList(const std::vector<std::string>& sites);
    // The names of a text, separated by line ends, commas or blanks (the settings' stored form
    // and what a user types into one box alike).
    static CookieKeepList parse(std::string_view text);

    // The names, one per line: what parse reads back as the same list.
    std::string text() const;
    const std::vector<std::string>& sites() const { return sites_; }
    bool empty() const { return sites_.empty(); }

    // Whether a cookie of this host is kept. The host is as the cookie stores hold it: a domain
    // cookie's leading dot (".example.com") and a trailing one are not part of the name.
    bool keeps(std::string_view host) const;

private:
    std::vector<std::string> sites_;
};

}  // namespace engine
