#include "engine/cleaners/cookie_keep_list.h"

#include <algorithm>

#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"

namespace engine {

namespace {

constexpr std::string_view kSeparators = "\r\n\t ,;";

// A host without the dots that are no part of its name.
std::string bare_host(std::string_view host) {
    host = platform::text::trim_blanks(host, " \t");
    while (!host.empty() && host.front() == '.') host.remove_prefix(1);
    while (!host.empty() && host.back() == '.') host.remove_suffix(1);
    return platform::text::to_lower(host);
}

bool ends_with(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

CookieKeepList::CookieKeepList(const std::vector<std::string>& sites) {
    for (const auto& site : sites) {
        std::string name = platform::text::to_lower(platform::text::trim_blanks(site, kSeparators));
        // "*.example.com", as some write a domain, is the domain.
        if (name.starts_with("*.")) name.erase(0, 1);
        // A dot alone, or dots only, would keep every cookie: no site.
        if (bare_host(name).empty()) continue;
        if (std::ranges::find(sites_, name) == sites_.end()) sites_.push_back(std::move(name));
    }
}

CookieKeepList CookieKeepList::parse(std::string_view text) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(kSeparators, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) names.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return CookieKeepList(names);
}

std::string CookieKeepList::text() const {
    std::string text;
    for (const auto& site : sites_) text += (text.empty() ? "" : "\n") + site;
    return text;
}

bool CookieKeepList::keeps(std::string_view host) const {
    const std::string name = bare_host(host);
    if (name.empty()) return false;
    for (const auto& site : sites_) {
        if (site.front() != '.') {
            if (name == bare_host(site)) return true;
            continue;
        }
        const std::string domain = bare_host(site);
        if (name == domain || ends_with(name, "." + domain)) return true;
    }
    return false;
}

}  // namespace engine
