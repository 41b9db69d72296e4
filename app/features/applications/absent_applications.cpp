#include "app/features/applications/absent_applications.h"

#include <functional>
#include <memory>

#include "app/kernel/shell.h"
#include "engine/catalogue/cleaning_catalogue.h"
#include "engine/cleaners/installed_applications.h"
#include "engine/foundation/engine_error.h"

namespace app {

namespace {

struct Check {
    const char* name;      // as the engine is asked
    const char* category;  // the catalogue's category whose enable variable it sets
};

constexpr Check kBrowserChecks[] = {
    {"Netscape", "netscape"}, {"Opera", "opera"}, {"AOL", "aol"}, {"Firefox", "firefox"}, {"Chromium", "chromium"}};
constexpr Check kMessengerChecks[] = {{"Msn", "msn"}, {"Yahoo", "yahoo"}, {"Icq", "icq"}};

template <class Detector, size_t N>
void mark_absent(Shell& shell, const char* engine_class, const Check (&checks)[N]) {
    auto detector = engine::create<Detector>(engine_class);
    for (const Check& check : checks) {
        bool exists = false;
        if (detector) engine::ignore_errors([&] { exists = detector->DoesExist(check.name); });
        if (!exists) shell.stage().set_variable(kMainMovie, engine::catalogue_category(check.category)->enabled, "0");
    }
}

}  // namespace

void mark_absent_applications(Shell& shell) {
    mark_absent<engine::Browsers>(shell, "Browsers", kBrowserChecks);
    mark_absent<engine::Messangers>(shell, "Messangers", kMessengerChecks);
}

void register_application_rows(Shell& shell) {
    shell.add_load_step(LoadStep::InstalledApplications, [&shell] { mark_absent_applications(shell); });
}

}  // namespace app
