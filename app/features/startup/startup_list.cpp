#include "app/features/startup/startup_list.h"

#include <algorithm>
#include <cstdio>

#include "app/features/startup/list_items.h"
#include "app/kernel/log_relay.h"
#include "app/kernel/shell.h"
#include "app/texts/fill_in.h"
#include "engine/cleaners/misc_functions.h"
#include "engine/foundation/hooks.h"
#include "engine/tools/system_entries.h"
#include "platform/text/bar_list.h"

namespace app {

using platform::text::join_bars;

namespace {

std::string command_text(const engine::Variant& command) {
    if (!command.is_bytes()) return command.to_text();
    std::string hex;
    for (uint8_t byte : std::get<engine::Bytes>(command)) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", byte);
        hex += (hex.empty() ? "" : " ") + std::string(pair);
    }
    return hex;
}

void say_not_found(Shell& shell, const std::string& name) {
    shell.message_box().ShowMsg(fill_in(shell.text("msg121"), {name}), shell.text("msg120"), sign::Notice, buttons::One);
}

}  // namespace

std::vector<std::string> startup_items() {
    std::vector<std::string> items;
    for (const auto& entry : engine::startup_entries()) {
        items.push_back(shown_item(entry.name));
        items.push_back(shown_item(command_text(entry.command)));
    }
    return items;
}

void push_startup_list(Shell& shell) {
    const auto items = startup_items();
    auto& stage = shell.stage();
    stage.set_variable(kMainMovie, "_root.NumberOfItems_SM", std::to_string(static_cast<long>(items.size() / 2) - 1));
    stage.set_variable(kMainMovie, "_root.NamesOfItems_SM", join_bars(items));
}

void cleanStartup(Shell& shell, const std::string& args) {
    const engine::BusyPointer busy;
    const auto entries = engine::run_key_entries();
    auto chosen = std::find_if(entries.begin(), entries.end(),
                               [&](const engine::StartupEntry& entry) { return names_entry(args, entry.name); });
    if (chosen == entries.end()) return say_not_found(shell, args);
    engine::Misc_Functions misc;
    LogRelay removals(misc.ShowLog, [&shell](std::string& line) {
        shell.log_window().show();
        shell.log_window().addLogLine(line);
    });
    misc.LoadOnStartUp(false, chosen->name);
}

void register_startup_rows(Shell& shell) {
    shell.add_load_step(LoadStep::SystemLists, [&shell] { push_startup_list(shell); });
    shell.commands().add("IDC_FS_WHICHITEM", [&shell](const std::string& args) {
        cleanStartup(shell, args);
        push_startup_list(shell);
    }, Changes::Machine);
}

}  // namespace app
