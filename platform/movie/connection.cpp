#include "platform/movie/connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

namespace platform::movie {

namespace {

thread_local Connection* current_connection = nullptr;

int milliseconds_until(Connection::Clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Connection::Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 60000));
}

bool wait_for(socket_t socket, short events, Connection::Clock::time_point until) {
    for (;;) {
        pollfd watched{socket, events, 0};
        const int ready = ::poll(&watched, 1, milliseconds_until(until));
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) return false;
    }
}

void describe_address(const sockaddr_storage& address, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

}  // namespace

Connection::Connection(socket_t socket, const ConnectionLimits& limits)
    : socket_(socket), limits_(limits), head_deadline_(Clock::now() + limits.head_time) {}

Connection* Connection::on_this_thread() {
    return current_connection;
}

ThisThreadsConnection::ThisThreadsConnection(Connection& connection) {
    current_connection = &connection;
}

ThisThreadsConnection::~ThisThreadsConnection() {
    current_connection = nullptr;
}

bool Connection::await_request(bool first, const std::function<bool()>& stopping) {
    if (buffered_from_ < buffered_to_) return true;  // a pipelined request is already here
    // Waited for in short slices, so that a stopping server is noticed at once.
    constexpr auto kSlice = std::chrono::milliseconds(50);
    const auto until = Clock::now() + (first ? limits_.head_time : limits_.idle_time);
    while (!stopping()) {
        const auto now = Clock::now();
        if (now >= until) return false;
        if (wait_readable(std::min(until, now + kSlice))) return true;
    }
    return false;
}

void Connection::start_request() {
    phase_ = Phase::head;
    head_deadline_ = Clock::now() + limits_.head_time;
    body_read_ = 0;
}

void Connection::head_complete() {
    phase_ = Phase::body;
}

Connection::Clock::time_point Connection::read_deadline() const {
    return phase_ == Phase::head ? head_deadline_ : Clock::now() + limits_.read_time;
}

bool Connection::wait_readable(Clock::time_point until) const {
    return wait_for(socket_, POLLIN, until);
}

bool Connection::wait_writable(Clock::time_point until) const {
    return wait_for(socket_, POLLOUT, until);
}

bool Connection::is_readable() const {
    return buffered_from_ < buffered_to_ || wait_readable(read_deadline());
}

bool Connection::is_writable() const {
    return !broken_ && wait_writable(Clock::now() + limits_.write_time);
}

ssize_t Connection::read(char* data, size_t size) {
    if (broken_) return -1;
    if (buffered_from_ == buffered_to_) {
        if (!wait_readable(read_deadline())) {
            broken_ = true;  // too slow: whatever it sends later is not a request of ours
            return -1;
        }
        ssize_t got = 0;
        do got = ::recv(socket_, buffer_, sizeof buffer_, 0);
        while (got < 0 && errno == EINTR);
        if (got <= 0) {
            broken_ = true;
            return got;
        }
        buffered_from_ = 0;
        buffered_to_ = static_cast<std::size_t>(got);
    }
    std::size_t handed = std::min(size, buffered_to_ - buffered_from_);
    if (phase_ == Phase::body) {
        if (body_read_ + handed > limits_.body_budget) {
            body_over_budget_ = true;
            broken_ = true;
            return -1;
        }
        body_read_ += handed;
    }
    std::copy_n(buffer_ + buffered_from_, handed, data);
    buffered_from_ += handed;
    return static_cast<ssize_t>(handed);
}

ssize_t Connection::write(const char* data, size_t size) {
    if (broken_ || !wait_writable(Clock::now() + limits_.write_time)) {
        broken_ = true;
        return -1;
    }
    ssize_t sent = 0;
    do sent = ::send(socket_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    while (sent < 0 && errno == EINTR);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    if (sent < 0) broken_ = true;
    return sent;
}

void Connection::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) describe_address(address, ip, port);
}

void Connection::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) describe_address(address, ip, port);
}

}  // namespace platform::movie
