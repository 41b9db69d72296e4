#include "app/features/cleaning/cleaning_run.h"

#include "engine/cleaners/ie.h"

namespace app {

void cleanIE(Shell& shell, const std::string& option_list) {
    using engine::IE;
    CleaningRun<IE> run(shell, "IE", option_list);
    run.position(0, &IE::CleanTypedUrls);                               // _root.IE_TU
    run.position(1, &IE::DisableAutoComplete, &IE::EnableAutoComplete);  // _root.IE_AC
    run.position(2, &IE::CleanDownloadDirectory);                       // _root.IE_DF
    run.position(3, engine::delete_cache_entries);                                      // _root.IE_CA
    run.position(4, &IE::CleanHistory);                                 // _root.IE_HI
    run.position(5, &IE::Remove_Cookies);                               // _root.IE_CO
    // Whatever was ticked, the home-page field of the screen becomes the start page.
    std::string home_page = shell.stage().get_variable(kMainMovie, "_root.HomePage");
    run.step([&](IE& ie) { ie.SetHomePage(home_page); });
}

void register_cleaning_rows(Shell& shell) {
    // The screen's home-page field starts as the current start page, so a run that leaves the
    // field alone keeps it.
    shell.add_load_step(LoadStep::OptionState, [&shell] {
        auto ie = engine::create<engine::IE>("IE");
        if (ie) shell.stage().set_variable(kMainMovie, "_root.HomePage", ie->GetHomePage());
    });
    shell.commands().add("IDC_FS_IE", [&shell](const std::string& args) {
        logged_run(shell, [&] { cleanIE(shell, args); });
    });
}

}  // namespace app
