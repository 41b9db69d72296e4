#pragma once
// Whether a plug-in's program is on the machine: its Detect key of the older form, or any of its
// DetectN keys and DetectFileN paths; a DetectOS range the machine's Windows lies outside says no.
#include "engine/foundation/records.h"

namespace engine {

class RuleVariables;

bool plugin_detected(const Plugin& plugin, const RuleVariables& variables);

// The machine's Windows as the version ranges write it: 5.1 for XP, 10 for 10 and 11.
double machine_windows_version();

}  // namespace engine
