#include "app/features/memory/memory_rows.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <string>

#include "app/features/memory/memory_slider.h"
#include "app/kernel/running_windows.h"
#include "app/kernel/shell.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "engine/tools/ram.h"
#include "platform/text/bar_list.h"

namespace app {

using platform::text::join_bars;

namespace {

constexpr std::chrono::milliseconds kGaugeInterval{500};
const Question kFreeingNeedsRunningWindows{"msg1022", "msg1021", sign::Notice};

void show_memory_load(Shell& shell) {
    engine::RAM ram;
    shell.stage().set_variable(kMainMovie, "_root.RamValue", ram.GetMemoryLoad().to_text());
}

// The screen shows what the slider did: the bytes taken for a moment (0 when too little was
// free to take any), and the free physical memory before and after.
void free_memory(Shell& shell, const std::string& percent) {
    if (refused_without_running_windows(shell, kFreeingNeedsRunningWindows)) return;
    engine::BusyPointer busy;
    engine::RAM ram;
    const std::string free_before = ram.GetFreePhysical().to_text();
    const int32_t taken =
        ram.FreeUpMemory(share_of_memory(static_cast<double>(ram.GetTotalPhysical().to_integer()), percent));
    shell.stage().set_variable(kMainMovie, "_root.FreedMemory",
                               join_bars({std::to_string(taken), free_before, ram.GetFreePhysical().to_text()}));
}

}  // namespace

int32_t share_of_memory(double total_physical, std::string_view percent) {
    double share = std::strtod(std::string(percent).c_str(), nullptr) / 100.0;
    double bytes = std::round(total_physical * share);
    if (!(bytes > 0)) return 0;
    return static_cast<int32_t>(std::min(bytes, static_cast<double>(std::numeric_limits<int32_t>::max())));
}

void register_memory_rows(Shell& shell) {
    shell.commands().add("IDC_FS_SCROLL", [&shell](const std::string& args) { free_memory(shell, args); });
    shell.add_load_step(LoadStep::Finishing, [&shell] {
        // The memory in use here is this computer's: on an offline installation the gauge would
        // pass it off as that Windows', so the screen is told instead that none of it runs.
        if (on_offline_installation())
            return shell.stage().set_variable(kMainMovie, "_root.OfflineInstallation", "1");
        shell.stage().add_timer(kGaugeInterval, [&shell] { engine::ignore_errors([&] { show_memory_load(shell); }); });
    });
}

}  // namespace app
