#include "app/features/cleaning/cleaning_run.h"

#include "app/features/cleaning/catalogue_variable.h"
#include "app/features/cleaning/caution_question.h"
#include "app/kernel/log_relay.h"
#include "app/settings/option_list.h"
#include "engine/catalogue/category_cleaner.h"
#include "engine/cleaners/ie.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "platform/machine/machine.h"

namespace app {

namespace {

constexpr const char* kHomePage = "_root.HomePage";

// The Internet Explorer screen has a field beside its ticks: every run of its category makes it
// the start page.
void set_home_page(Shell& shell, engine::EngineObject* cleaner) {
    auto* ie = dynamic_cast<engine::IE*>(cleaner);
    if (!ie) return;
    const std::string home_page = shell.stage().get_variable(kMainMovie, kHomePage);
    engine::ignore_errors([&] { ie->SetHomePage(home_page); });
}

}  // namespace

void run_category(Shell& shell, const engine::CatalogueCategory& category, const std::string& option_list) {
    const engine::BusyPointer busy;
    const OptionList options(option_list);
    engine::CategoryCleaner cleaner(category, into_log_window(shell.log_window()));
    for (size_t position = 0; position < category.items.size(); ++position) {
        const engine::CatalogueItem& item = category.items[position];
        if (platform::has_current_machine()) platform::current_machine().removals().set_group(item.name);
        cleaner.clean(item, options.ticked(position));
    }
    set_home_page(shell, cleaner.object());
}

void register_cleaning_rows(Shell& shell) {
    // The skin draws the look-alike screens from the catalogue. The home-page field starts as the
    // current start page, so a run that leaves the field alone keeps it.
    shell.add_load_step(LoadStep::OptionState, [&shell] {
        set_catalogue_variables(shell);
        auto ie = engine::create<engine::IE>("IE");
        if (ie) shell.stage().set_variable(kMainMovie, kHomePage, ie->GetHomePage());
    });
    for (const engine::CatalogueCategory& category : engine::cleaning_catalogue()) {
        shell.commands().add(category.command, [&shell, &category](const std::string& args) {
            // The screen of an absent application cannot send this; a script still could.
            if (!category.enabled.empty() && shell.stage().get_variable(kMainMovie, category.enabled) == "0") return;
            if (!agreed_to_cautious_items(shell, category, args)) return;
            logged_run(shell, [&] {
                // The day's log is being written to: it can be viewed once the run is over.
                shell.log_window().enable_view_log(false);
                run_category(shell, category, args);
            });
        }, Changes::Machine);
    }
}

}  // namespace app
