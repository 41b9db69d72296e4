#include "platform/movie/request_guard.h"

#include <httplib.h>

#include <random>

#include "platform/text/ascii_case.h"

namespace platform::movie {

RequestGuard::RequestGuard(int port, std::string token) : port_(port), token_(std::move(token)) {}

bool RequestGuard::allows(const httplib::Request& request, TokenPlace token_place) const {
    // Host names are case-insensitive; the port's digits have no case.
    const std::string host = text::to_lower(request.get_header_value("Host"));
    if (!host_allowed(host)) return false;
    // A sandboxed or file: page sends "null", which is nobody we know.
    if (request.has_header("Origin") && text::to_lower(request.get_header_value("Origin")) != "http://" + host) {
        return false;
    }
    if (request.has_header("Sec-Fetch-Site")) {
        const std::string site = request.get_header_value("Sec-Fetch-Site");
        if (site != "same-origin" && site != "none") return false;
    }
    switch (token_place) {
    case TokenPlace::none:
        return true;
    case TokenPlace::header:
        return token_matches(request.get_header_value("X-Tavrin-Token"));
    case TokenPlace::header_or_query:
        return token_matches(request.has_header("X-Tavrin-Token") ? request.get_header_value("X-Tavrin-Token")
                                                                   : request.get_param_value("token"));
    }
    return false;
}

// Exactly our two names, as our own page sends them. Any other spelling ("localhost.", a longer
// name that merely begins with ours) is a name somebody else may point at us (DNS rebinding).
bool RequestGuard::host_allowed(const std::string& host) const {
    const std::string port = ":" + std::to_string(port_);
    return host == "127.0.0.1" + port || host == "localhost" + port;
}

// Compares every byte whatever the first difference, so the time taken tells nothing about the token.
bool RequestGuard::token_matches(const std::string& given) const {
    if (given.size() != token_.size() || token_.empty()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < token_.size(); ++i) {
        difference |= static_cast<unsigned char>(given[i] ^ token_[i]);
    }
    return difference == 0;
}

std::string make_token() {
    std::random_device device;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (int word = 0; word < 4; ++word) {
        std::uint32_t bits = device();
        for (int digit = 0; digit < 8; ++digit, bits >>= 4) token += kHex[bits & 0xF];
    }
    return token;
}

}  // namespace platform::movie
