#include "app/program/exit_sequence.h"

#include <optional>
#include <string>

#include "app/kernel/option_state.h"
#include "app/kernel/shell.h"
#include "app/settings/profile_store.h"
#include "app/texts/fill_in.h"
#include "platform/text/trim.h"

namespace app {

using platform::text::trim_blanks;

namespace {

// The notice that a name was refused; its title closes with the single button.
const Question kNameRefused{"msg39", "msg36", sign::Notice};

// Asks for the name until it is usable; nullopt when the user gave none (or cancelled).
std::optional<std::string> ask_profile_name(Shell& shell) {
    while (!shell.ending()) {
        auto answer = shell.stage().ask_text(shell.text("msg6"));
        if (!answer || answer->empty()) return std::nullopt;
        auto name = std::string(trim_blanks(*answer));
        if (profile_store::usable_name(name)) return name;
        shell.notify(kNameRefused);
    }
    return std::nullopt;
}

// The save question, naming where the settings go: true to save them; false when the user
// cancelled (the window stays) or the program ended from the box ("Don't save" ends it at once).
bool ask_to_save(Shell& shell) {
    auto& box = shell.message_box();
    box.answers().set("msg26", false);
    const std::string& profile = shell.current_profile();
    bool shown = false;
    if (profile.empty())
        shown = box.ShowMsg(shell.text("msg740"), shell.text("msg26"), sign::Warning, buttons::SaveAsDontSaveCancel);
    else
        shown = box.ShowMsg(fill_in(shell.text("msg5"), {profile}), shell.text("msg26"), sign::Warning,
                            buttons::SaveDontSaveCancel);
    return shown && !shell.ending() && box.answers().get("msg26");
}

}  // namespace

void run_exit_sequence(Shell& shell) {
    if (!shell.may_end()) return;
    if (!ask_to_save(shell)) return;
    if (shell.current_profile().empty()) {
        auto name = ask_profile_name(shell);
        if (!name) return;  // no name: the window stays open and nothing is saved
        shell.set_current_profile(*name);
    }
    save_check_boxes(shell);
    save_buttons(shell);
    shell.end_program();
}

}  // namespace app
