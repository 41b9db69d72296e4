#pragma once
// The screens of tavrinapp from the moment they are first needed to the program's end: the movie
// player on its address, the end on a signal, the address told to the user, and, started from the
// desktop, the end with the last page. They usually begin with the machine open; on a Windows
// installation whose user profile the person must still choose, before it.
#include <atomic>
#include <optional>

#include "app/cli/options.h"
#include "platform/machine/machine.h"
#include "platform/movie/last_page_watch.h"
#include "platform/movie/movie_player.h"
#include "platform/sys/end_on_signal.h"

namespace app::cli {

class ServedScreens {
public:
    // Serving on the port the options name; std::runtime_error when it cannot be bound.
    explicit ServedScreens(const Options& options);
    ServedScreens(const ServedScreens&) = delete;
    ServedScreens& operator=(const ServedScreens&) = delete;

    platform::movie::MoviePlayer& player() { return player_; }
    // The machine whose files the dialogs list and the log viewer shows; none while there is none
    // open yet. It must outlive these screens.
    void set_machine(platform::Machine* machine) { machine_ = machine; }
    // Prints the address, opens the browser where asked and, started from the desktop, begins
    // watching for the last page to close. Once; later calls do nothing.
    void announce();

private:
    const Options options_;
    std::atomic<platform::Machine*> machine_{nullptr};
    platform::movie::MoviePlayer player_;
    platform::EndOnSignal end_on_signal_;
    std::optional<platform::movie::LastPageWatch> last_page_watch_;
    bool announced_ = false;
};

}  // namespace app::cli
