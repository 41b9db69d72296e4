#include "engine/tools/system_entries.h"

#include <array>
#include <span>
#include <utility>

#include "engine/foundation/cregistry.h"
#include "platform/text/trim.h"

namespace engine {

namespace {

constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The two Run keys come first: they are the ones a user removes entries from.
constexpr std::array<std::pair<ERegistryClassConstants, const char*>, 5> kStartupLocations = {{
    {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
    {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
}};
constexpr size_t kRunKeys = 2;

Variant read_value(cRegistry& reg, ERegistryClassConstants root, const std::string& key, const std::string& name) {
    reg.ClassKey(root);
    reg.SectionKey(key);
    reg.ValueKey(name);
    return reg.Value();
}

std::vector<StartupEntry> entries_of(std::span<const std::pair<ERegistryClassConstants, const char*>> locations) {
    std::vector<StartupEntry> entries;
    for (const auto& [root, key] : locations) {
        cRegistry reg;
        reg.ClassKey(root);
        reg.SectionKey(key);
        std::vector<std::string> names;
        int32_t count = 0;
        reg.EnumerateValues(names, count);
        for (auto& name : names) {
            Variant command = read_value(reg, root, key, name);
            entries.push_back({root, key, std::move(name), std::move(command)});
        }
    }
    return entries;
}

}  // namespace

std::vector<StartupEntry> startup_entries() { return entries_of(kStartupLocations); }

std::vector<StartupEntry> run_key_entries() { return entries_of(std::span(kStartupLocations).first(kRunKeys)); }

std::vector<InstalledProgram> installed_programs() {
    cRegistry reg;
    reg.ClassKey(HKEY_LOCAL_MACHINE);
    reg.SectionKey(kUninstall);
    std::vector<std::string> subkeys;
    int32_t count = 0;
    reg.EnumerateSections(subkeys, count);
    std::vector<InstalledProgram> programs;
    for (const auto& subkey : subkeys) {
        std::string key = std::string(kUninstall) + "\\" + subkey;
        std::string name = read_value(reg, HKEY_LOCAL_MACHINE, key, "DisplayName").to_text();
        if (platform::text::is_blank(name)) continue;
        std::string command = read_value(reg, HKEY_LOCAL_MACHINE, key, "UninstallString").to_text();
        programs.push_back({std::move(key), std::move(name), std::move(command)});
    }
    return programs;
}

}  // namespace engine
