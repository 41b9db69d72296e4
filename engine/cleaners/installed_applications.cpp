#include "engine/cleaners/installed_applications.h"

#include <initializer_list>
#include <string_view>

#include "engine/cleaners/chromium_profiles.h"
#include "engine/foundation/cregistry.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::to_lower;

TAVRIN_ENGINE_CLASS(Browsers, "{8A3F0C5C-2431-4FB1-B34D-D6EB4FD4A72B}");
TAVRIN_ENGINE_CLASS(Messangers, "{6FB8DD2A-335D-47F4-A8D4-F0A6953B355F}");

namespace {

constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

struct Evidence {
    std::string_view name;  // lower case
    ERegistryClassConstants root;
    std::initializer_list<std::string_view> keys;  // any one suffices
};

bool key_exists(ERegistryClassConstants root, std::string_view key) {
    cRegistry reg;
    reg.ClassKey(root);
    reg.SectionKey(std::string(key));
    return reg.KeyExists();
}

bool installed(std::initializer_list<Evidence> table, const std::string& name) {
    std::string wanted = to_lower(name);
    for (const auto& evidence : table) {
        if (evidence.name != wanted) continue;
        bool found = false;
        // Both Netscape keys are tested, as the installers of different versions write one or the other.
        for (auto key : evidence.keys) found = key_exists(evidence.root, key) || found;
        return found;
    }
    return false;
}

}  // namespace

bool Browsers::DoesExist(const std::string& Browser) {
    // The family is there when one of its browsers left its folder: that folder is what is cleaned.
    if (to_lower(Browser) == "chromium") return chromium_browser_present();
    const std::string netscp = std::string(kAppPaths) + "Netscp.exe";
    const std::string netscape = std::string(kAppPaths) + "Netscape.exe";
    const std::string aol = std::string(kAppPaths) + "Aol.exe";
    const std::string firefox = std::string(kAppPaths) + "firefox.exe";
    return installed({{"ie", HKEY_CURRENT_USER, {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"}},
                      {"netscape", HKEY_LOCAL_MACHINE, {netscp, netscape}},
                      {"opera", HKEY_CURRENT_USER, {"Software\\Opera Software"}},
                      {"aol", HKEY_LOCAL_MACHINE, {aol}},
                      {"firefox", HKEY_LOCAL_MACHINE, {firefox}}},
                     Browser);
}

bool Messangers::DoesExist(const std::string& Messanger) {
    return installed({{"msn", HKEY_CURRENT_USER, {"Software\\Microsoft\\MSNMessenger"}},
                      {"icq", HKEY_CURRENT_USER, {"SOFTWARE\\Mirabilis\\ICQ"}},
                      {"yahoo", HKEY_CURRENT_USER, {"SOFTWARE\\Yahoo"}}},
                     Messanger);
}

}  // namespace engine
