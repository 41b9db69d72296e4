#pragma once
// Demo traces: a new sandbox machine gets typed URLs, cookies, temporary files and the like, so
// that a first-time user sees every screen do real work. Only ever on a machine the program has
// just created itself, never on an existing one.
namespace app::demo {

// Plants the traces of every area into the current machine; an area that fails is skipped.
void plant_demo_traces();

// Each area's planting function, defined in app/demo/<area>_traces.cpp and listed in
// plant_demo_traces.

}  // namespace app::demo
