#include "app/kernel/running_windows.h"

#include "app/kernel/shell.h"
#include "platform/machine/machine.h"

namespace app {

bool on_offline_installation() {
    return platform::has_current_machine() && platform::current_machine().is_windows_installation();
}

bool refused_without_running_windows(Shell& shell, const Question& notice) {
    if (!on_offline_installation()) return false;
    shell.notify(notice);
    return true;
}

}  // namespace app
