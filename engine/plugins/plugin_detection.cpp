#include "engine/plugins/plugin_detection.h"

#include <algorithm>

#include "engine/foundation/os.h"
#include "engine/plugins/plugin_registry_entry.h"
#include "engine/plugins/rule_folders.h"
#include "engine/plugins/rule_keys.h"
#include "engine/plugins/rule_variables.h"

namespace engine {

namespace {

bool detect_key_found(const std::string& text) {
    ParsedKey<RegistryEntry> key = parse_rule_registry(text);
    if (!key.key || key.key->value) return false;
    return registry_key_exists(long_registry_text(*key.key));
}

bool detect_file_found(const std::string& path, const RuleVariables& variables) {
    if (detect_file_fault(path) != KeyFault::Usable) return false;
    const std::vector<std::string> paths = variables.expand(path).paths;
    return std::any_of(paths.begin(), paths.end(), path_found);
}

}  // namespace

double machine_windows_version() {
    const PlatformVersion version = platform_version();
    return version.major + version.minor / 10.0;
}

bool plugin_detected(const Plugin& plugin, const RuleVariables& variables) {
    if (!plugin.DetectOS.empty()) {
        ParsedKey<VersionRange> range = parse_version_range(plugin.DetectOS);
        if (!range.key || !range.key->holds(machine_windows_version())) return false;
    }
    return registry_key_exists(plugin.Detect) ||
           std::any_of(plugin.DetectKeys.begin(), plugin.DetectKeys.end(), detect_key_found) ||
           std::any_of(plugin.DetectFiles.begin(), plugin.DetectFiles.end(),
                       [&](const std::string& path) { return detect_file_found(path, variables); });
}

}  // namespace engine
