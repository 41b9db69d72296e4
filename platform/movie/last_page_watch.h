#pragma once
// A program started from the desktop has no terminal to end it from: it ends once no page of its
// screens has been open for a grace period. A reloaded page is gone for far less than that, and
// nothing ends before the first page has connected.
#include <chrono>
#include <optional>

#include "platform/movie/movie_player.h"

namespace platform::movie {

class LastPageWatch {
public:
    LastPageWatch(MoviePlayer& player, std::chrono::milliseconds grace);
    ~LastPageWatch();
    LastPageWatch(const LastPageWatch&) = delete;
    LastPageWatch& operator=(const LastPageWatch&) = delete;

private:
    void check();

    MoviePlayer& player_;
    std::chrono::milliseconds grace_;
    TimerId timer_;
    std::optional<std::chrono::steady_clock::time_point> alone_since_;
};

}  // namespace platform::movie
