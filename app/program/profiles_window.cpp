#include "app/program/profiles_window.h"

#include <vector>

#include "app/kernel/shell.h"
#include "app/settings/profile_store.h"
#include "app/settings/user_settings.h"
#include "platform/text/ascii_case.h"

namespace app {

using platform::text::to_upper;

namespace {
const Question kLastProfile{"msg17", "msg36", sign::Notice};
const Question kDeleteProfile{"msg10", "msg36", sign::Notice};
}  // namespace

ProfilesWindow::ProfilesWindow(Shell& shell, std::function<void()> open_main_window)
    : shell_(shell), open_main_window_(std::move(open_main_window)) {}

void ProfilesWindow::load() {
    auto language = user_settings::language();
    shell_.language().select(language);
    user_settings::save_language(language);
    shell_.stage().set_variable(kProfilesMovie, "_root.strCurrentLanguage", language);

    auto names = profile_store::profiles();
    if (names.empty()) {
        shell_.stage().hide_window(kProfilesMovie);
        open_main_window_();
        return;
    }
    push_names(names);
    shell_.stage().show_window(kProfilesMovie);
}

void ProfilesWindow::push_names(const std::vector<std::string>& names) {
    auto& stage = shell_.stage();
    stage.set_variable(kProfilesMovie, "_root.NumberOfTheListItems", std::to_string(names.size()));
    for (size_t i = 0; i < names.size(); ++i)
        stage.set_variable(kProfilesMovie, "_root.ItemNo" + std::to_string(i), names[i]);
}

void ProfilesWindow::handle_command(const std::string& command, const std::string& args) {
    auto key = to_upper(command);
    if (key == "IDC_FS_PROFILE") choose(args);
    else if (key == "IDC_FS_DELETE") remove(args);
    else if (key == "EXIT") shell_.end_program();
}

void ProfilesWindow::choose(const std::string& name) {
    // "undefined" is what the list reports when nothing is selected.
    if (name.empty() || name == "undefined") return;
    shell_.set_current_profile(name);
    shell_.stage().hide_window(kProfilesMovie);
    open_main_window_();
}

void ProfilesWindow::remove(const std::string& name) {
    if (profile_store::profiles().size() == 1) {
        shell_.notify(kLastProfile);
        return;
    }
    // An empty name would name the whole settings key, every profile at once.
    if (name.empty() || name == "undefined" || !shell_.confirm(kDeleteProfile)) return;
    profile_store::remove(name);
    shell_.stage().set_variable(kProfilesMovie, "_root.RemoveProfile", "1");
    push_names(profile_store::profiles());
}

}  // namespace app
