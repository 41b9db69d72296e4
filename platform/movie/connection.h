#pragma once
// One browser connection as the HTTP library reads and writes it, with the limits that keep a
// slow or hostile client from holding a server thread for long: the request head (request line
// and headers) must arrive within a few seconds of the connection or of the previous answer, a
// request body may not grow past a budget whatever its transfer encoding, and a write that the
// client does not take within a few seconds fails (a page that stopped reading its event stream).
#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace platform::movie {

struct ConnectionLimits {
    std::chrono::milliseconds head_time{3000};        // to send a whole request head
    std::chrono::milliseconds idle_time{5000};        // between requests of a kept-alive connection
    std::chrono::milliseconds read_time{5000};        // per read of a request body
    std::chrono::milliseconds write_time{3000};       // per write of an answer
    std::size_t body_budget = 1 << 20;                // bytes of a request body as sent, framing included
};

class Connection final : public httplib::Stream {
public:
    using Clock = std::chrono::steady_clock;

    Connection(socket_t socket, const ConnectionLimits& limits);

    // Waits until the next request starts to arrive; false when the client went away, the time
    // allowed ran out, or `stopping()` became true. The first request counts as the head's time.
    bool await_request(bool first, const std::function<bool()>& stopping);

    // The moments of a request: before its head is read, and once it has been (its body follows).
    void start_request();
    void head_complete();

    // Set while a request is handled, for the code that decides to end the connection after it.
    static Connection* on_this_thread();
    void close_after_answer() { close_after_answer_ = true; }
    bool may_serve_more() const { return !close_after_answer_ && !broken_; }
    bool body_over_budget() const { return body_over_budget_; }

    // httplib::Stream
    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* data, size_t size) override;
    ssize_t write(const char* data, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return socket_; }

private:
    enum class Phase { head, body };
    bool wait_readable(Clock::time_point until) const;
    bool wait_writable(Clock::time_point until) const;
    Clock::time_point read_deadline() const;

    socket_t socket_;
    ConnectionLimits limits_;
    Phase phase_ = Phase::head;
    Clock::time_point head_deadline_;
    std::size_t body_read_ = 0;
    bool body_over_budget_ = false;
    bool broken_ = false;
    bool close_after_answer_ = false;
    char buffer_[4096];
    std::size_t buffered_from_ = 0;
    std::size_t buffered_to_ = 0;
};

// Makes `connection` the one on_this_thread() returns, for as long as it lives.
class ThisThreadsConnection {
public:
    explicit ThisThreadsConnection(Connection& connection);
    ~ThisThreadsConnection();
    ThisThreadsConnection(const ThisThreadsConnection&) = delete;
    ThisThreadsConnection& operator=(const ThisThreadsConnection&) = delete;
};

}  // namespace platform::movie
