#include "platform/machine/windows_version.h"

#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/machine/registry_values.h"
#include "platform/text/ascii_case.h"

namespace platform::machine_detail {

namespace {

using registry::Root;

std::optional<std::string> wine_setting(const registry::Registry& registry) {
    for (Root root : {Root::CurrentUser, Root::LocalMachine}) {
        auto version = read_string(registry, root, "Software\\Wine", "Version");
        if (version && !version->empty()) return text::to_lower(*version);
    }
    return std::nullopt;
}

std::optional<uint32_t> read_dword(const registry::Registry& registry, std::string_view key, std::string_view name) {
    registry::Value value;
    if (registry.query_value(Root::LocalMachine, key, name, value) != registry::Status::Ok ||
        value.type != registry::type::Dword || value.data.size() < 4)
        return std::nullopt;
    return uint32_t{value.data[0]} | uint32_t{value.data[1]} << 8 | uint32_t{value.data[2]} << 16 |
           uint32_t{value.data[3]} << 24;
}

std::optional<std::string> nt_version(const registry::Registry& registry) {
    constexpr std::string_view key = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    // Windows 10 and later keep "6.3" in CurrentVersion for old programs; the major number is true.
    if (auto major = read_dword(registry, key, "CurrentMajorVersionNumber"); major && *major >= 10) {
        auto build = read_string(registry, Root::LocalMachine, key, "CurrentBuildNumber");
        return build && std::atoi(build->c_str()) >= 22000 ? "win11" : "win10";
    }
    auto version = read_string(registry, Root::LocalMachine, key, "CurrentVersion");
    if (!version) return std::nullopt;
    static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
        {"3.51", "nt351"}, {"4.0", "nt40"}, {"5.0", "win2k"}, {"5.1", "winxp"}, {"5.2", "win2003"},
        {"6.0", "vista"},  {"6.1", "win7"}, {"6.2", "win8"},  {"6.3", "win81"}, {"10.0", "win10"},
    };
    for (auto [number, name] : kNames) {
        if (*version == number) return std::string(name);
    }
    return std::nullopt;
}

// Windows 9x has no NT key; its version number is "4.00.950", "4.10.2222", "4.90.3000".
std::optional<std::string> nine_x_version(const registry::Registry& registry) {
    auto number = read_string(registry, Root::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "VersionNumber");
    if (!number) return std::nullopt;
    if (number->starts_with("4.00")) return "win95";
    if (number->starts_with("4.10")) return "win98";
    if (number->starts_with("4.90")) return "winme";
    return std::nullopt;
}

}  // namespace

std::string windows_version(const registry::Registry& registry) {
    if (auto version = wine_setting(registry)) return *version;
    if (auto version = nt_version(registry)) return *version;
    return nine_x_version(registry).value_or("");
}

}  // namespace platform::machine_detail
