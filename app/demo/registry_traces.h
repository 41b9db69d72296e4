#pragma once
// Demo traces of the registry cleaner: stale shared-DLL counts, uninstall entries, application
// paths and open/save history entries, each beside a valid one of its kind whose file exists.
namespace app::demo {

void plant_registry_traces();

}  // namespace app::demo
