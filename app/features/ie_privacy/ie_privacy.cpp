#include "app/features/ie_privacy/ie_privacy.h"

#include <stdexcept>

#include "app/kernel/shell.h"
#include "engine/cleaners/ie.h"
#include "engine/foundation/engine_error.h"

namespace app {

namespace {

// Its events (HideUrlsDone, Error) are not listened to: the notice after the call is the answer.
void call_ie(void (engine::IE::*member)()) {
    auto ie = engine::create<engine::IE>("IE");
    if (!ie) throw std::runtime_error("The engine class IE is not available.");
    ((*ie).*member)();
}

struct Toggle {
    const char* command;
    void (*procedure)();
};

constexpr Toggle kToggles[] = {
    {"IDC_FS_HIDETYPEDURLS", HideIETypedUrls}, {"IDC_FS_SHOWTYPEDURLS", ShowIETypedUrls},
    {"IDC_FS_HIDEFAVORITES", HideIEFavorites}, {"IDC_FS_HIDEPASSWORD", HideIEPasswords},
    {"IDC_FS_SHOWFAVORITES", ShowIEFavorites}, {"IDC_FS_SHOWPASSWORD", ShowIEPasswords},
};

}  // namespace

void HideIETypedUrls() { call_ie(&engine::IE::HideTypedUrls); }
void ShowIETypedUrls() { call_ie(&engine::IE::ShowTypedUrls); }
void HideIEFavorites() { call_ie(&engine::IE::HideFavorites); }
void HideIEPasswords() { call_ie(&engine::IE::HidePasswords); }
void ShowIEFavorites() { call_ie(&engine::IE::ShowFavorites); }
void ShowIEPasswords() { call_ie(&engine::IE::Showpasswords); }

void register_ie_privacy_rows(Shell& shell) {
    for (const Toggle& toggle : kToggles) {
        shell.commands().add(toggle.command, [&shell, procedure = toggle.procedure](const std::string&) {
            engine::ignore_errors(procedure);
            shell.notify_completion();
        }, Changes::Machine);
    }
}

}  // namespace app
