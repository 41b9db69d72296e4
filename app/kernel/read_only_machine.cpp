#include "app/kernel/read_only_machine.h"

#include <optional>
#include <string>
#include <string_view>

#include "app/kernel/shell.h"
#include "app/texts/fill_in.h"
#include "app/texts/read_only_text.h"
#include "platform/machine/machine.h"

namespace app {

namespace {

constexpr const char* kNoticeVariable = "_root.ReadOnlyMachine";

std::optional<std::string> read_only_reason(const Shell& shell) {
    if (!platform::has_current_machine()) return std::nullopt;
    const std::optional<platform::ReadOnlyCause> cause = platform::current_machine().read_only_cause();
    if (!cause) return std::nullopt;
    return read_only_text(*cause, [&shell](std::string_view key) { return shell.text(std::string(key)); });
}

}  // namespace

bool refused_on_read_only_machine(Shell& shell) {
    if (platform::has_current_machine() && platform::current_machine().removals().dry_run()) return false;
    const std::optional<std::string> reason = read_only_reason(shell);
    if (!reason) return false;
    shell.notify({"msg1077", "msg1076", sign::Notice, *reason});
    return true;
}

void guard_read_only_machine(Shell& shell) {
    shell.commands().set_gate([&shell] { return !refused_on_read_only_machine(shell); });
    shell.add_load_step(LoadStep::Finishing, [&shell] { show_read_only_notice(shell); });
}

void show_read_only_notice(Shell& shell) {
    if (const std::optional<std::string> reason = read_only_reason(shell))
        shell.stage().set_variable(kMainMovie, kNoticeVariable, fill_in(shell.text("msg1026"), {*reason}));
}

}  // namespace app
