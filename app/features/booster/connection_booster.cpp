#include "app/features/booster/connection_booster.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "app/kernel/running_windows.h"
#include "app/kernel/shell.h"
#include "app/settings/user_settings.h"
#include "platform/text/ascii_case.h"
#include "platform/text/split.h"

namespace app {

using platform::text::split;
using platform::text::to_upper;

namespace {

struct TypeDefaults {
    const char* type;
    const char* mtu;
    const char* mss;
};

constexpr TypeDefaults kTypeDefaults[] = {
    {"DIAL", "576", "536"}, {"CABLE", "1500", "1460"}, {"DSL", "1492", "1452"}, {"LAN", "1500", "1460"}};

const Question kBoostingNeedsRunningWindows{"msg1023", "msg1021", sign::Notice};

// The flags' order on the screen and the names the type is stored under.
constexpr const char* kTypeNames[] = {"Dial", "Cable", "Dsl", "Lan"};

void set(Shell& shell, const char* name, const std::string& value) {
    shell.stage().set_variable(kMainMovie, name, value);
}

std::string without_blanks(std::string text) {
    std::erase(text, ' ');
    return text;
}

// The mode the booster screen last applied: "A" to "G", "Default", or "" before any; it lasts
// until the program ends. Applying a mode changes nothing in the system: tuning a Windows registry
// does nothing for the host's own network stack. The profile keeps the screen's radio choice.
class BoosterMode {
public:
    void applyISBMode(std::string mode) { mode_ = std::move(mode); }

private:
    std::string mode_;
};

}  // namespace

void push_connection_defaults(Shell& shell, std::string type) {
    if (type.empty()) type = user_settings::read("Mode", "Mode", "Dial");
    for (const auto& defaults : kTypeDefaults) {
        if (to_upper(type) == defaults.type) {
            set(shell, "_root.mtu", defaults.mtu);
            set(shell, "_root.mss", defaults.mss);
        }
    }
    set(shell, "_root.rwin", "6432");
    set(shell, "_root.ttl", "64");
    set(shell, "_root.MSecTime", "7200000");
    set(shell, "_root.MSecIntreval", "1000");
    set(shell, "_root.syn", user_settings::read("ISB", "SYN", "0"));
    set(shell, "_root.ndl", "0");
}

std::string connection_type_of(const std::string& flags) {
    auto positions = split(flags, ',');
    for (size_t i = 0; i < std::size(kTypeNames) && i < positions.size(); ++i)
        if (to_upper(without_blanks(positions[i])) == "TRUE") return kTypeNames[i];
    return kTypeNames[0];
}

void register_connection_booster_rows(Shell& shell) {
    auto& rows = shell.commands();
    shell.add_load_step(LoadStep::ConnectionDefaults, [&shell] { push_connection_defaults(shell, ""); });
    rows.add("IDC_FS_CONNECTION", [&shell](const std::string& args) {
        std::string type = connection_type_of(args);
        push_connection_defaults(shell, type);
        user_settings::save("Mode", "Mode", type);
    });

    auto mode = std::make_shared<BoosterMode>();
    for (char letter = 'A'; letter <= 'G'; ++letter) {
        rows.add(std::string("AUTOMATIC-") + letter,
                 [mode, letter](const std::string&) { mode->applyISBMode(std::string(1, letter)); });
    }
    rows.add("WINDOWS DEFAULT", [mode](const std::string&) { mode->applyISBMode("Default"); });

    // A mode or the values finished: an offline Windows installation has no network to tune, and
    // the screen says so instead of reporting a boost.
    for (const char* finished : {"IDC_FS_ISB_WIZARDMODE", "IDC_FS_ADVANCEDMODEFINISHED"}) {
        rows.add(finished, [&shell](const std::string&) {
            if (!refused_without_running_windows(shell, kBoostingNeedsRunningWindows)) shell.notify_completion();
        });
    }
    rows.add("IDC_FS_PINGSETTINGS", [&shell](const std::string&) { shell.notify_completion(); });
}

}  // namespace app
