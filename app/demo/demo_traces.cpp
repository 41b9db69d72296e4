#include "app/demo/demo_traces.h"

#include <vector>

#include "app/demo/application_traces.h"
#include "app/demo/dll_traces.h"
#include "app/demo/ie_traces.h"
#include "app/demo/plugin_traces.h"
#include "app/demo/registry_traces.h"
#include "app/demo/startup_traces.h"
#include "app/demo/windows_traces.h"
#include "engine/foundation/engine_error.h"

namespace app::demo {

void plant_demo_traces() {
    using Planter = void (*)();
    // One entry per area.
    const std::vector<Planter> areas = {plant_ie_traces, plant_plugin_traces, plant_application_traces,
                                        plant_windows_traces, plant_startup_traces, plant_dll_traces,
                                        plant_registry_traces};
    for (Planter plant : areas) engine::ignore_errors(plant);
}

}  // namespace app::demo
