#include "app/kernel/option_state.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/kernel/shell.h"
#include "app/settings/name_tables.h"
#include "app/settings/profile_store.h"
#include "app/settings/user_settings.h"
#include "engine/catalogue/cleaning_catalogue.h"
#include "engine/foundation/engine_error.h"

namespace app {

namespace {

constexpr const char* kCheckBoxes = "CheckBoxes";
constexpr const char* kButtons = "Buttons";
constexpr const char* kDefaultPingHost = "example.com";

// One tick stored, however the movie spells "off".
std::string stored_or(const std::string& movie_value, const char* off) {
    return movie_value.empty() || movie_value == "false" ? off : movie_value;
}

// The boxes a profile keeps: the table's, in its order, then every cleaning item the table does
// not name, so the tick of an item new to the catalogue is stored and scheduled as the others are.
std::vector<std::string> profile_check_boxes() {
    std::vector<std::string> names(kCheckBoxNames.begin(), kCheckBoxNames.end());
    for (const engine::CatalogueCategory& category : engine::cleaning_catalogue())
        for (const engine::CatalogueItem& item : category.items)
            if (std::find(names.begin(), names.end(), item.variable) == names.end()) names.push_back(item.variable);
    return names;
}

// A box the profile never stored: a cleaning item's default, the DLL cleaner's backup ticked (a
// removed library some program still needed can only come back from its backup), any other box
// unticked.
std::string unstored_tick(const std::string& name) {
    if (name == "_root.DLL_BBD") return "1";
    const engine::CatalogueItem* item = engine::catalogue_item_of_variable(name);
    return item && item->ticked_by_default ? "1" : "0";
}

void save_language(Shell& shell) {
    auto name = shell.language().name().empty() ? user_settings::language() : shell.language().name();
    profile_store::write(shell.current_profile(), "lang", "Lang", name);
    user_settings::save_language(name);
}

void push_fixed_start_values(Shell& shell) {
    auto& stage = shell.stage();
    const auto& program = shell.program();
    stage.set_variable(kMainMovie, "_root.myCounter_SFI", "0");
    stage.set_variable(kMainMovie, "_root.myCounter_SFO", "0");
    stage.set_variable(kMainMovie, "_root.ProgressBarState", "0");
    stage.set_variable(kMainMovie, "_root.HD_DCF", "0");
    stage.set_variable(kMainMovie, "_root.Version",
                       std::to_string(program.major) + "." + std::to_string(program.minor) + "." +
                           std::to_string(program.minor) + "." + std::to_string(program.revision));
    stage.set_variable(kMainMovie, "_root.ListCounter5", "0");
    stage.set_variable(kMainMovie, "_root.HNIP", "1");
    stage.set_variable(kMainMovie, "_root.PingInput", kDefaultPingHost);
    stage.set_variable(kMainMovie, "_root.minStepper", user_settings::read("Ping", "val", "0"));
}

}  // namespace

void save_check_boxes(Shell& shell) {
    const auto& profile = shell.current_profile();
    if (profile.empty()) return;
    auto& stage = shell.stage();
    auto store = [&](const std::string& name, const std::string& value) {
        engine::ignore_errors([&] { profile_store::write(profile, kCheckBoxes, name, value); });
    };
    for (const auto& name : profile_check_boxes()) store(name, stored_or(stage.get_variable(kMainMovie, name), "0"));
    for (const char* name : kWizardModeNames) store(name, stored_or(stage.get_variable(kMainMovie, name), "false"));
    for (const char* name : {"_root.ISB_WizardMode", "_root.SelectedRadioBtn"})
        store(name, stage.get_variable(kMainMovie, name));
    engine::ignore_errors([&] { save_language(shell); });
    engine::ignore_errors([&] { user_settings::save("ISB", "SYN", stage.get_variable(kMainMovie, "_root.syn")); });
}

void save_buttons(Shell& shell) {
    const auto& profile = shell.current_profile();
    if (profile.empty()) return;
    for (const char* name : kButtonNames) {
        auto value = shell.stage().get_variable(kMainMovie, name);
        // Any other text is a state the movie is passing through; the stored one stays.
        if (value.empty() || value == "false") profile_store::write(profile, kButtons, name, "0");
        else if (value == "true") profile_store::write(profile, kButtons, name, "1");
    }
}

void restore_check_boxes(Shell& shell) {
    auto& stage = shell.stage();
    const auto& profile = shell.current_profile();
    auto stored = [&](const std::string& name) {
        return profile.empty() ? std::string() : profile_store::read(profile, kCheckBoxes, name);
    };

    // The main window speaks the language the chooser, the message boxes and the log speak.
    const std::string language = user_settings::language();
    shell.language().select(language);
    stage.set_variable(kMainMovie, "_root.langageChange", "1");
    stage.set_variable(kMainMovie, "_root.strCurrentLanguage", language);

    for (const auto& name : profile_check_boxes()) {
        auto value = stored(name);
        stage.set_variable(kMainMovie, name, value.empty() ? unstored_tick(name) : value);
    }
    // The stored choice names the radio variable to switch on.
    if (auto mode = stored("_root.ISB_WizardMode"); !mode.empty()) stage.set_variable(kMainMovie, mode, "true");

    stage.set_variable(kMainMovie, "_root.SelectedRadioBtn", stored("_root.SelectedRadioBtn"));
    push_fixed_start_values(shell);
}

void restore_buttons(Shell& shell) {
    auto& stage = shell.stage();
    const auto& profile = shell.current_profile();
    for (const char* name : kButtonNames) {
        auto value = profile.empty() ? std::string() : profile_store::read(profile, kButtons, name);
        stage.set_variable(kMainMovie, name, value.empty() ? "0" : value);
    }
    for (std::string pair : {"TypedUrls", "Favorites", "Password"}) {
        auto show = "_root." + pair + "_Show", hide = "_root." + pair + "_Hide";
        if (stage.get_variable(kMainMovie, show) == "0" && stage.get_variable(kMainMovie, hide) == "0")
            stage.set_variable(kMainMovie, hide, "1");
    }
}

}  // namespace app
