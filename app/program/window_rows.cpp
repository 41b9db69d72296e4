#include "app/program/window_rows.h"

#include <string>

#include "app/kernel/read_only_machine.h"
#include "app/kernel/shell.h"
#include "app/program/exit_sequence.h"
#include "app/settings/user_settings.h"
#include "app/texts/fill_in.h"

namespace app {

namespace {

void choose_language(Shell& shell, const std::string& name) {
    const Language before = shell.language();
    shell.language().select(name);
    user_settings::save_language(name);
    // Every window switches with the main one, so no label stays in the old language.
    for (const char* movie : {kMainMovie, kProfilesMovie, kLogMovie})
        shell.stage().set_variable(movie, "_root.strCurrentLanguage", name);
    show_read_only_notice(shell);
    // The chosen file cannot say that it is missing: the language spoken until now says it.
    if (!shell.language().file_available())
        shell.log_window().addLogLine(fill_in(before.text("msg477"), {shell.language().file_path()}));
}

// The help ships as a page of the skin in both languages; it opens in the one the screens speak.
std::string help_page(const Language& language) {
    const bool german = Language::message_file_for(language.name()) == "msgsg.ini";
    return std::string("/skin/help/help.html?lang=") + (german ? "de" : "en");
}

void show_splash(Shell& shell) {
    shell.stage().load_movie(kSplashMovie, "splash.spl");
    shell.stage().show_window(kSplashMovie);
}

void set_tray_captions(Shell& shell) {
    shell.stage().set_variable(kTrayMovie, "smenu", shell.text("msg13"));
    shell.stage().set_variable(kTrayMovie, "emenu", shell.text("msg14"));
}

}  // namespace

void register_window_rows(Shell& shell) {
    auto& rows = shell.commands();
    rows.add("ID_FS_MINSTEPPER", [](const std::string& args) { user_settings::save("Ping", "val", args); });
    // The page moves its windows itself; the command stays known so it is not taken for a typo.
    rows.add("IDC_FS_DRAG", [](const std::string&) {});
    rows.add("IDC_FS_LANGUAGE", [&shell](const std::string& args) { choose_language(shell, args); });
    rows.add("IDC_FS_HELP", [&shell](const std::string&) { shell.stage().open_url(help_page(shell.language())); });
    // The page shows its tray whenever the main window is hidden.
    rows.add("IDC_FS_MINIMIZE", [&shell](const std::string&) { shell.stage().hide_window(kMainMovie); });
    rows.add("IDC_FS_CLOSE", [&shell](const std::string&) { run_exit_sequence(shell); });
    shell.add_load_step(LoadStep::Splash, [&shell] { show_splash(shell); });
    shell.add_load_step(LoadStep::Finishing, [&shell] { set_tray_captions(shell); });
}

}  // namespace app
