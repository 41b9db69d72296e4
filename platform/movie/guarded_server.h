#pragma once
// The HTTP server of the player. The library's own connection loop gives every connection a pool
// thread for as long as the client likes: a handful of clients that send their headers a byte at a
// time, or keep connections open without ever sending a request, would leave the page's own
// requests waiting. Here every connection runs through a Connection with time limits, a refused
// request ends its connection, and connections get threads of their own as they come (up to a
// bound), so a slow client costs one thread for a few seconds and never holds up another.
#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/movie/connection.h"

namespace platform::movie {

// A pool that starts a thread whenever a job would otherwise wait, up to `most` threads.
class GrowingThreadPool final : public httplib::TaskQueue {
public:
    explicit GrowingThreadPool(std::size_t most) : most_(most) {}
    ~GrowingThreadPool() override;
    void enqueue(std::function<void()> job) override;
    void shutdown() override;  // runs what is queued, then joins every thread

private:
    void work();

    const std::size_t most_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool closing_ = false;
};

class GuardedServer final : public httplib::Server {
public:
    GuardedServer(ConnectionLimits limits, std::size_t requests_per_connection);
    // The library listens with room for 5 connections not yet accepted; a burst beyond that (a
    // page loading, a client opening many) has its connection attempts dropped and retried by the
    // client a second later. Call once bound.
    void widen_backlog();

private:
    bool process_and_close_socket(socket_t socket) override;
    bool stopping() const { return svr_sock_ == INVALID_SOCKET; }

    ConnectionLimits limits_;
    std::size_t requests_per_connection_;
};

}  // namespace platform::movie
