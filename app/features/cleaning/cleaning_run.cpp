#include "app/features/cleaning/cleaning_run.h"

#include <vector>

#include "engine/cleaners/ie.h"

namespace app {

namespace {

std::vector<std::string> split_cache_list(const std::string& list) {
    std::vector<std::string> entries;
    if (list.empty()) return entries;
    size_t start = 0;
    for (size_t at; (at = list.find("||", start)) != std::string::npos; start = at + 2)
        entries.push_back(list.substr(start, at - start));
    entries.push_back(list.substr(start));
    return entries;
}

// Each entry is a step of its own: one entry that cannot be deleted leaves the others to go.
void clean_cache(engine::IE& ie) {
    for (const auto& entry : split_cache_list(ie.get_cache_list()))
        engine::ignore_errors([&] { ie.delete_cache_entry(entry); });
}

}  // namespace

void cleanIE(Shell& shell, const std::string& option_list) {
    using engine::IE;
    CleaningRun<IE> run(shell, "IE", option_list);
    run.position(0, &IE::CleanTypedUrls);                               // _root.IE_TU
    run.position(1, &IE::DisableAutoComplete, &IE::EnableAutoComplete);  // _root.IE_AC
    run.position(2, &IE::CleanDownloadDirectory);                       // _root.IE_DF
    run.position(3, clean_cache);                                       // _root.IE_CA
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
