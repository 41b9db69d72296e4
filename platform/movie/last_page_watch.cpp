#include "platform/movie/last_page_watch.h"

namespace platform::movie {

namespace {
// Often enough that the program ends soon after the grace period, rarely enough to cost nothing.
constexpr std::chrono::milliseconds kCheckInterval{500};
}  // namespace

LastPageWatch::LastPageWatch(MoviePlayer& player, std::chrono::milliseconds grace)
    : player_(player), grace_(grace), timer_(player.add_timer(kCheckInterval, [this] { check(); })) {}

LastPageWatch::~LastPageWatch() { player_.remove_timer(timer_); }

// Ends the loops as Ctrl+C does: every finished command is already on disk.
void LastPageWatch::check() {
    if (!player_.pages_ever_opened() || player_.open_pages() > 0) {
        alone_since_.reset();
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!alone_since_) alone_since_ = now;
    if (now - *alone_since_ >= grace_) player_.quit();
}

}  // namespace platform::movie
