#include "engine/foundation/os.h"

#include <array>
#include <charconv>
#include <string_view>

#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::iequals;

TAVRIN_ENGINE_CLASS(OS, "{CECF140F-860B-420A-A85A-9728971DEF18}");

namespace {

struct NamedVersion {
    std::string_view name;
    PlatformVersion version;
};

constexpr std::array<NamedVersion, 18> kVersions = {{
    {"win31", {PlatformVersion::Win32s, 3, 10}},     {"win95", {PlatformVersion::Windows9x, 4, 0}},
    {"win98", {PlatformVersion::Windows9x, 4, 10}},  {"winme", {PlatformVersion::Windows9x, 4, 90}},
    {"nt351", {PlatformVersion::WindowsNT, 3, 51}},  {"nt40", {PlatformVersion::WindowsNT, 4, 0}},
    {"win2k", {PlatformVersion::WindowsNT, 5, 0}},   {"winxp", {PlatformVersion::WindowsNT, 5, 1}},
    {"winxp64", {PlatformVersion::WindowsNT, 5, 2}}, {"win2003", {PlatformVersion::WindowsNT, 5, 2}},
    {"vista", {PlatformVersion::WindowsNT, 6, 0}},   {"win2008", {PlatformVersion::WindowsNT, 6, 0}},
    {"win7", {PlatformVersion::WindowsNT, 6, 1}},    {"win2008r2", {PlatformVersion::WindowsNT, 6, 1}},
    {"win8", {PlatformVersion::WindowsNT, 6, 2}},    {"win81", {PlatformVersion::WindowsNT, 6, 3}},
    {"win10", {PlatformVersion::WindowsNT, 10, 0}},  {"win11", {PlatformVersion::WindowsNT, 10, 0}},
}};

// "5.1" as the NT CurrentVersion value writes it.
PlatformVersion nt_version_from_registry(platform::Machine& machine) {
    platform::registry::Value value;
    auto status = machine.registry().query_value(platform::registry::Root::LocalMachine,
                                                 "Software\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion",
                                                 value);
    if (status != platform::registry::Status::Ok) return {};
    std::string text(value.data.begin(), value.data.end());
    PlatformVersion version{PlatformVersion::WindowsNT, 0, 0};
    const char* end = text.data() + text.size();
    auto [dot, major_error] = std::from_chars(text.data(), end, version.major);
    if (major_error != std::errc() || dot == end || *dot != '.') return {};
    if (std::from_chars(dot + 1, end, version.minor).ec != std::errc()) return {};
    return version;
}

}  // namespace

PlatformVersion platform_version() {
    platform::Machine& machine = platform::current_machine();
    std::string name = machine.windows_version();
    for (const NamedVersion& known : kVersions) {
        if (iequals(known.name, name)) return known.version;
    }
    return nt_version_from_registry(machine);
}

Enum_OperatingSystem OS::OperatingSystem() {
    PlatformVersion version = platform_version();
    if (version.platform_id == PlatformVersion::Windows9x) {
        switch (version.minor) {
            case 0: return System_Windows_95;
            case 10: return System_Windows_98;
            case 90: return System_Windows_ME;
            default: return System_Windows_32;
        }
    }
    if (version.platform_id == PlatformVersion::WindowsNT) {
        if (version.major < 5) return System_Windows_NT;
        if (version.major == 5 && version.minor == 0) return System_Windows_2K;
        if (version.major == 5 && version.minor == 1) return System_Windows_XP;
    }
    return System_Windows_32;
}

}  // namespace engine
