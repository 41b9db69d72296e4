#include "app/features/options/about_rows.h"

#include <string>

#include "app/kernel/shell.h"
#include "app/kernel/windows_program.h"
#include "platform/machine/machine.h"

namespace app {

namespace {

const Question kNoWebSite{"msg93", "msg94", sign::Notice};
const Question kNoUpdater{"msg92", "msg94", sign::Notice};

void open_web_site(Shell& shell) {
    const std::string address = TAVRIN_WEBSITE;
    if (address.empty()) return shell.notify(kNoWebSite);
    shell.stage().open_url(address);
}

void check_for_updates(Shell& shell) {
    const std::string updater = shell.program().folder + "\\update.exe";
    if (!can_run_windows_program() || !platform::current_machine().files().exists(updater))
        return shell.notify(kNoUpdater);
    run_windows_program(shell, {updater});
}

}  // namespace

void register_about_rows(Shell& shell) {
    shell.commands().add("IDC_FS_WEBSITE", [&shell](const std::string&) { open_web_site(shell); });
    shell.commands().add("IDC_FS_CHECKUPDATES", [&shell](const std::string&) { check_for_updates(shell); });
}

}  // namespace app
