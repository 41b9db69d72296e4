#include "app/demo/demo_traces.h"

#include <vector>

#include "engine/foundation/engine_error.h"

namespace app::demo {

void plant_demo_traces() {
    using Planter = void (*)();
    // One entry per area.
    const std::vector<Planter> areas = {};
    for (Planter plant : areas) engine::ignore_errors(plant);
}

}  // namespace app::demo
