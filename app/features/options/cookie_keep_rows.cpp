#include "app/features/options/cookie_keep_rows.h"

#include "app/kernel/shell.h"
#include "engine/cleaners/kept_cookie_sites.h"
#include "engine/foundation/engine_error.h"

namespace app {

namespace {

constexpr const char* kKeepList = "_root.CookieKeepList";

void show_saved_list(Shell& shell) {
    std::string text;
    engine::ignore_errors([&] { text = engine::saved_cookie_keep_list().text(); });
    shell.stage().set_variable(kMainMovie, kKeepList, text);
}

}  // namespace

void register_cookie_keep_rows(Shell& shell) {
    shell.add_load_step(LoadStep::OptionState, [&shell] { show_saved_list(shell); });
    // The field as the user left it is saved, and shown again as it was understood: one site a
    // line, blanks and repeats gone.
    shell.commands().add("IDC_FS_KEEPCOOKIES", [&shell](const std::string&) {
        const auto list = engine::CookieKeepList::parse(shell.stage().get_variable(kMainMovie, kKeepList));
        engine::ignore_errors([&] { engine::save_cookie_keep_list(list); });
        show_saved_list(shell);
        shell.notify_completion();
    });
}

}  // namespace app
