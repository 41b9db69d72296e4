#pragma once
// Who may talk to the player. Any web page open in the same browser can send requests to
// 127.0.0.1, so a request is only obeyed when it proves it comes from our own page: the right Host
// (no DNS rebinding), the same Origin, no cross-site fetch, and the per-start token.
#include <string>

namespace httplib {
struct Request;
}

namespace platform::movie {

enum class TokenPlace {
    none,            // static skin files: harmless to serve, the Host is still checked
    header,          // the X-Tavrin-Token header
    header_or_query  // also ?token=T, for what the browser fetches by itself (page, stream, file)
};

class RequestGuard {
public:
    RequestGuard(int port, std::string token);
    bool allows(const httplib::Request& request, TokenPlace token_place) const;

private:
    bool host_allowed(const std::string& host) const;
    bool token_matches(const std::string& given) const;

    int port_;
    std::string token_;
};

// 128 random bits as 32 hex digits, from the system's random device.
std::string make_token();

}  // namespace platform::movie
