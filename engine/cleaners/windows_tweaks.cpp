#include "engine/cleaners/misc_functions.h"

#include <cstdint>

#include "engine/cleaners/relayed_registry.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Misc_Functions, "{EF1192E5-ECD7-4CE6-BD46-B13CADCBC3F0}");

namespace {

constexpr const char* kExploreVerb = "Folder\\shell\\rootexplore";
constexpr const char* kExploreCommand = "Folder\\shell\\rootexplore\\command\\";
constexpr const char* kExplorerAdvanced = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
constexpr const char* kColors = "Control Panel\\Colors";
constexpr const char* kSystemPolicies = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\system";
constexpr const char* kServerParameters = "SYSTEM\\CurrentControlSet\\Services\\lanmanserver\\parameters";
constexpr const char* kOptimalLayout = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\OptimalLayout";
constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

constexpr const char* kRaised = "255 255 255";
constexpr const char* kSunken = "128 128 128";

}  // namespace

Variant Misc_Functions::AddExploreFromHere(bool Flag) {
    RelayedRegistry reg(ShowLog);
    if (Flag) {
        reg.write_text(HKEY_CLASSES_ROOT, kExploreVerb, "", "Explore From Here");
        reg.write_text(HKEY_CLASSES_ROOT, kExploreCommand, "", "Explorer.exe /e,/root,/idlist,%I");
    } else {
        reg.delete_tree(std::string("HKEY_CLASSES_ROOT\\") + kExploreVerb);
    }
    return {};
}

// Off writes 0: the value 1 would switch the tips on, which is what removing the value does.
Variant Misc_Functions::EnableBalloons(bool Flag) {
    RelayedRegistry reg(ShowLog);
    if (Flag) reg.delete_value(HKEY_CURRENT_USER, kExplorerAdvanced, "EnableBalloonTips");
    else reg.write_dword(HKEY_CURRENT_USER, kExplorerAdvanced, "EnableBalloonTips", 0);
    return {};
}

Variant Misc_Functions::FlatWindows(bool Flag) {
    RelayedRegistry reg(ShowLog);
    if (Flag) {
        reg.write_text(HKEY_CURRENT_USER, kColors, "ButtonHilight", kSunken);
        reg.write_text(HKEY_CURRENT_USER, kColors, "ButtonShadow", kRaised);
    } else {
        reg.write_text(HKEY_CURRENT_USER, kColors, "ButtonShadow", kSunken);
        reg.write_text(HKEY_CURRENT_USER, kColors, "ButtonHilight", kRaised);
    }
    return {};
}

Variant Misc_Functions::BootFaster(bool Flag) {
    RelayedRegistry reg(ShowLog);
    for (const char* name : {"SynchronousMachineGroupPolicy", "SynchronousUserGroupPolicy"}) {
        if (Flag) reg.delete_value(HKEY_LOCAL_MACHINE, kSystemPolicies, name);
        else reg.write_dword(HKEY_LOCAL_MACHINE, kSystemPolicies, name, 0);
    }
    return {};
}

Variant Misc_Functions::EnableAutomaticSharing(bool Flag) {
    RelayedRegistry reg(ShowLog);
    for (const char* name : {"AutoShareWks", "AutoShareServer"}) {
        if (Flag) reg.delete_value(HKEY_LOCAL_MACHINE, kServerParameters, name);
        else reg.write_dword(HKEY_LOCAL_MACHINE, kServerParameters, name, 0);
    }
    return {};
}

// Off removes the value from each Run key that holds it and touches nothing else: writing a
// machine-wide entry only to delete it again would log a removal that never was.
Variant Misc_Functions::LoadOnStartUp(bool Flag, const std::string& program_name) {
    RelayedRegistry reg(ShowLog);
    if (Flag) {
        reg.write_text(HKEY_CURRENT_USER, kRun, program_name, program_name);
    } else {
        reg.delete_value(HKEY_CURRENT_USER, kRun, program_name);
        reg.delete_value(HKEY_LOCAL_MACHINE, kRun, program_name);
    }
    return {};
}

Variant Misc_Functions::Optimize_HardDisk_when_idle(bool Flag) {
    RelayedRegistry reg(ShowLog);
    reg.write_dword(HKEY_LOCAL_MACHINE, kOptimalLayout, "EnableAutoLayout", Flag ? 1 : 0);
    return {};
}

}  // namespace engine
