#pragma once
// Traces of a few applications the shipped plug-ins know, so that a new sandbox lists them as
// installed and cleaning with them removes real files and registry values.
namespace app::demo {

// The media player's recent list and cover art, the archiver's histories, the browser's cache.
void plant_plugin_traces();

}  // namespace app::demo
