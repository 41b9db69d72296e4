#pragma once
// A typed event an engine object raises synchronously to whoever subscribed (the event sink).
#include <functional>
#include <utility>
#include <vector>

namespace engine {

template <class... Args>
class Event {
public:
    using Handler = std::function<void(Args&...)>;

    // Returns an id that unsubscribe() takes.
    int subscribe(Handler handler) {
        handlers_.emplace_back(++last_id_, std::move(handler));
        return last_id_;
    }
    void unsubscribe(int id) {
        std::erase_if(handlers_, [id](const auto& entry) { return entry.first == id; });
    }
    void clear() { handlers_.clear(); }
    bool has_subscribers() const { return !handlers_.empty(); }

    // Arguments are passed by reference, as the event interface declares them.
    void raise(Args&... args) const {
        // A handler may subscribe or unsubscribe while running; iterate over a copy.
        auto handlers = handlers_;
        for (auto& [id, handler] : handlers) handler(args...);
    }
    // Convenience for raising with temporaries.
    template <class... Values>
    void operator()(Values&&... values) const {
        std::tuple<Args...> copies(std::forward<Values>(values)...);
        std::apply([this](Args&... refs) { raise(refs...); }, copies);
    }

private:
    std::vector<std::pair<int, Handler>> handlers_;
    int last_id_ = 0;
};

// Passes every event of an object on while the relay lives, and stops when it ends: the one way
// events travel here. A cleaner re-raises the ShowLog of the cRegistry or Shredder it works through
// as its own; the program hands an engine object's texts to the log window or its progress to a bar.
template <class... Args>
class EventRelay {
public:
    EventRelay(Event<Args...>& from, typename Event<Args...>::Handler to)
        : from_(from), id_(from.subscribe(std::move(to))) {}
    EventRelay(Event<Args...>& from, const Event<Args...>& to)
        : EventRelay(from, [&to](Args&... args) { to.raise(args...); }) {}
    ~EventRelay() { from_.unsubscribe(id_); }
    EventRelay(const EventRelay&) = delete;
    EventRelay& operator=(const EventRelay&) = delete;

private:
    Event<Args...>& from_;
    int id_;
};

}  // namespace engine
