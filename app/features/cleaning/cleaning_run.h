#pragma once
// The cleaning run of one category: the skeleton every category follows, and the Internet
// Explorer run. A run shows the hourglass, creates the category's engine object through the
// class table with its log lines relayed into the log window, then calls one member per
// position of the option list the movie sent. Every step ignores its own failure, so one bad
// item never keeps the user's other ticks from being cleaned.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/settings/cleaning_items.h"
#include "app/kernel/log_relay.h"
#include "app/kernel/shell.h"
#include "app/settings/option_list.h"
#include "engine/foundation/class_table.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "platform/machine/machine.h"

namespace app {

template <class Engine>
class CleaningRun {
public:
    using Member = std::function<void(Engine&)>;

    CleaningRun(Shell& shell, std::string_view engine_class, const std::string& option_list)
        : engine_(engine::create<Engine>(engine_class)),
          options_(option_list),
          category_(category_of_engine_class(engine_class)) {
        if (engine_) relay_.emplace(engine_->ShowLog, into_log_window(shell.log_window()));
    }

    const OptionList& options() const { return options_; }

    // One step; its failure (or a missing engine object) is ignored.
    void step(const Member& member) {
        if (engine_) engine::ignore_errors([&] { member(*engine_); });
    }
    // The row of one position: `ticked` when it is ticked, else `unticked` where the row has one.
    // A position the option list does not reach counts as not ticked.
    void position(size_t index, const Member& ticked, const Member& unticked = {}) {
        // What the step removes is listed under its item.
        if (category_ && platform::has_current_machine())
            platform::current_machine().removals().set_group(category_->item_name(index));
        if (options_.ticked(index)) step(ticked);
        else if (unticked) step(unticked);
    }

private:
    engine::BusyPointer busy_;
    std::shared_ptr<Engine> engine_;
    std::optional<LogRelay> relay_;
    OptionList options_;
    const CleaningCategory* category_;
};

// The Internet Explorer run: typed URLs, auto-complete, downloads, cache, history, cookies by
// position, then the movie's home-page field as the start page.
void cleanIE(Shell& shell, const std::string& option_list);

// IDC_FS_IE.
void register_cleaning_rows(Shell& shell);

}  // namespace app
