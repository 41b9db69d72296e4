#include "app/features/shredder/relayed_shredder.h"

#include <stdexcept>

#include "app/kernel/shell.h"
#include "engine/foundation/class_table.h"
#include "platform/machine/machine.h"

namespace app {

std::shared_ptr<engine::Shredder> new_shredder() {
    auto shredder = engine::create<engine::Shredder>("Shredder");
    if (!shredder) throw std::runtime_error("The engine class Shredder is not available.");
    return shredder;
}

NotShreddedRelay::NotShreddedRelay(Shell& shell, engine::Event<std::string>& source)
    : relay_(source, [this, &shell](std::string& failure) { report(shell, failure); }) {}

void NotShreddedRelay::report(Shell& shell, std::string& failure) {
    ++count_;
    std::string section = shell.text("msg61") + " ";
    shell.log_window().addLogLine(section + failure);
    engine::ignore_errors([&] { log_.AddToLog(section, failure); });
}

RelayedShredder::RelayedShredder(Shell& shell)
    : sh_(new_shredder()), relay_(sh_->ShowLog, into_log_window(shell.log_window())),
      failures_(shell, sh_->NotShredded) {}

void RelayedShredder::list_removals_under(const std::string& name) {
    if (platform::has_current_machine()) platform::current_machine().removals().set_group(name);
}

}  // namespace app
