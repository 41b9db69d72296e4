#include "engine/cleaners/cookies_txt.h"

#include <optional>
#include <vector>

#include "engine/cleaners/kept_cookie_sites.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/engine_error.h"
#include "platform/machine/machine.h"
#include "platform/text/split.h"

namespace engine {

namespace {

// A cookie only a browser may read is written with this before its host.
constexpr std::string_view kHttpOnly = "#HttpOnly_";
// A cookie file is small; anything larger is no cookie file to rewrite.
constexpr uint64_t kLargestCookieFile = 64u << 20;

struct Cookie {
    std::string host, name;
};

// The host and name of a cookie line; nothing for a comment, a blank or a broken line.
std::optional<Cookie> cookie_of(std::string_view line) {
    if (line.starts_with(kHttpOnly)) line.remove_prefix(kHttpOnly.size());
    else if (line.starts_with("#")) return std::nullopt;
    const auto fields = platform::text::split(line, '\t');
    if (fields.size() < 7) return std::nullopt;
    return Cookie{fields[0], fields[5]};
}

}  // namespace

void clean_cookies_txt(Event<std::string>& show_log, std::string_view source, const std::string& file,
                       const CookieKeepList& keep) {
    if (keep.empty()) return shred_file(show_log, source, file);
    auto& files = platform::current_machine().files();
    std::string text;
    try {
        text = files.read_text(file, kLargestCookieFile);
    } catch (const std::exception&) {
        return;
    }
    std::string kept_text;
    std::vector<std::string> kept_cookies;
    for (std::string line : platform::text::split(text, '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto cookie = cookie_of(line);
        if (cookie && !keep.keeps(cookie->host)) continue;
        if (cookie) kept_cookies.push_back(file + ": " + cookie->host + " " + cookie->name);
        if (!cookie && line.empty()) continue;
        kept_text += line + "\n";
    }
    shred_file(show_log, source, file);
    if (kept_cookies.empty()) return;
    files.write_text(file, kept_text);
    for (const auto& cookie : kept_cookies) note_kept_cookie(show_log, cookie);
}

}  // namespace engine
