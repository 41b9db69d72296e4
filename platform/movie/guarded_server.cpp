#include "platform/movie/guarded_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::movie {

GrowingThreadPool::~GrowingThreadPool() {
    shutdown();
}

void GrowingThreadPool::enqueue(std::function<void()> job) {
    std::lock_guard held(lock_);
    jobs_.push_back(std::move(job));
    if (jobs_.size() > idle_ && threads_.size() < most_) {
        threads_.emplace_back([this] { work(); });
    } else {
        wake_.notify_one();
    }
}

void GrowingThreadPool::shutdown() {
    {
        std::lock_guard held(lock_);
        closing_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
}

void GrowingThreadPool::work() {
    std::unique_lock held(lock_);
    for (;;) {
        ++idle_;
        wake_.wait(held, [this] { return closing_ || !jobs_.empty(); });
        --idle_;
        if (jobs_.empty()) return;
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        held.unlock();
        job();
        held.lock();
    }
}

GuardedServer::GuardedServer(ConnectionLimits limits, std::size_t requests_per_connection)
    : limits_(limits), requests_per_connection_(requests_per_connection) {}

void GuardedServer::widen_backlog() {
    constexpr int kWaitingConnections = 512;  // the system caps it at its own maximum
    ::listen(svr_sock_, kWaitingConnections);
}

bool GuardedServer::process_and_close_socket(socket_t socket) {
    // Small answers go out at once instead of waiting for more to send (~26 ms a request otherwise).
    int yes = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    Connection connection(socket, limits_);
    ThisThreadsConnection current(connection);
    for (std::size_t served = 0; served < requests_per_connection_; ++served) {
        if (!connection.await_request(served == 0, [this] { return stopping(); })) break;
        connection.start_request();
        bool closed_by_client = false;
        const bool last = served + 1 == requests_per_connection_ || stopping();
        const bool answered = process_request(connection, last, closed_by_client,
                                              [&connection](httplib::Request&) { connection.head_complete(); });
        if (!answered || closed_by_client || last || !connection.may_serve_more()) break;
    }
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return true;
}

}  // namespace platform::movie
