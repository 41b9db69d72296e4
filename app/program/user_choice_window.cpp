#include "app/program/user_choice_window.h"

#include <algorithm>

#include "app/stage/list_pusher.h"
#include "app/texts/fill_in.h"
#include "platform/text/ascii_case.h"

namespace app {

std::optional<std::string> choose_installation_user(Stage& stage, const UserChoice& choice) {
    stage.set_variable(kUsersMovie, "_root.strCurrentLanguage", choice.language);
    stage.set_variable(kUsersMovie, "_root.ChoicePrompt", fill_in(choice.texts("msg1041"), {choice.installation}));
    stage.set_variable(kUsersMovie, "_root.ChoiceRefusal", choice.refusal);
    push_list(stage, kUsersMovie, {.stem = "Users", .items = choice.users});

    std::optional<std::string> chosen;
    stage.on_command(kUsersMovie, [&](const std::string& command, const std::string& args) {
        const std::string key = platform::text::to_upper(command);
        // Only a name of the list opens: the page offers no other, and any other is not a profile.
        if (key == "IDC_FS_USER" && std::ranges::find(choice.users, args) != choice.users.end()) chosen = args;
        else if (key == "EXIT") stage.quit();
    });
    const bool answered = stage.show_modal(kUsersMovie, [&] { return chosen.has_value(); });
    // The handler refers to this call's locals; the window answers nothing once it is gone.
    stage.on_command(kUsersMovie, [](const std::string&, const std::string&) {});
    return answered ? chosen : std::nullopt;
}

}  // namespace app
