#pragma once
// The main window's `sh`: a Shredder whose shredded files, and whatever it could not shred (with
// the reason), appear in the log window while it works; the failures also go to the day's log.
#include <memory>
#include <string>

#include "app/kernel/log_relay.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/logger.h"
#include "engine/shredder/shredder.h"

namespace app {

class Shell;

// A new engine Shredder; runtime_error when the engine does not offer the class.
std::shared_ptr<engine::Shredder> new_shredder();

// How the items of a list fared: an item is shredded when nothing of it had to be left.
struct ShredCount {
    int shredded = 0;
    int not_shredded = 0;
};

// Everything a shredder could not shred, with the reason, as a line of the log window and of
// the day's log file: the user must never take a refusal or a missing file for a success.
class NotShreddedRelay {
public:
    NotShreddedRelay(Shell& shell, engine::Event<std::string>& source);

    int count() const { return count_; }

private:
    void report(Shell& shell, std::string& failure);

    int count_ = 0;
    engine::LogWriter log_;
    LogRelay relay_;  // last: gone before what it reports into
};

// The main window's `sh`: a new Shredder whose shredded files, and whatever it could not shred,
// appear in the log window while it works, released when the procedure ends.
class RelayedShredder {
public:
    explicit RelayedShredder(Shell& shell);
    engine::Shredder* operator->() { return sh_.get(); }
    engine::Shredder& operator*() { return *sh_; }

    // Shreds one item of a list: it counts as shredded when nothing of it was reported otherwise.
    // What it removes is listed under its name.
    template <class Shred>
    void item(const std::string& name, Shred shred) {
        list_removals_under(name);
        const int failures_before = failures_.count();
        const bool finished = engine::ignore_errors(shred);
        ++(finished && failures_.count() == failures_before ? count_.shredded : count_.not_shredded);
    }
    ShredCount count() const { return count_; }

private:
    static void list_removals_under(const std::string& name);

    std::shared_ptr<engine::Shredder> sh_;
    LogRelay relay_;
    NotShreddedRelay failures_;
    ShredCount count_;
};

}  // namespace app
