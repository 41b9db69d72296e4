#include "engine/cleaners/firefox_profiles.h"

#include <algorithm>
#include <optional>

#include "engine/foundation/engine_error.h"
#include "platform/ini/ini_document.h"
#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"
#include "platform/text/name_fold.h"

namespace engine {

namespace {

using platform::ini::IniDocument;
using platform::text::istarts_with;

constexpr uint64_t kMostIniBytes = 1 << 20;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct Listed {
    std::string path;  // as written, with "\" for "/"
    bool relative = true;
    bool marked_default = false;
};

std::string value_of(const IniDocument::Section& section, std::string_view key) {
    for (const auto& entry : section.entries)
        if (entry.value && platform::ini::same_name(entry.name, key)) return *entry.value;
    return {};
}

std::string with_backslashes(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool has_dot_dot_step(const std::string& path) {
    size_t start = 0;
    for (;;) {
        const size_t end = path.find('\\', start);
        if (path.compare(start, end == std::string::npos ? std::string::npos : end - start, "..") == 0) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

// nullopt for a path that is refused.
std::optional<FirefoxProfile> resolve(const Listed& listed, const std::string& roaming, const std::string& local) {
    const std::string& path = listed.path;
    if (path.empty() || has_dot_dot_step(path)) return std::nullopt;
    const bool drive_path = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    if (listed.relative) {
        if (path.find(':') != std::string::npos || path.front() == '\\') return std::nullopt;
        return FirefoxProfile{roaming + "\\" + path, (local.empty() ? roaming : local) + "\\" + path};
    }
    if (!drive_path || !platform::current_machine().files().may_modify(path)) return std::nullopt;
    return FirefoxProfile{path, path};
}

std::vector<Listed> listed_profiles(const IniDocument& ini) {
    std::vector<Listed> profiles;
    for (const auto& section : ini.sections()) {
        if (!istarts_with(section.name, "Profile")) continue;
        profiles.push_back({with_backslashes(value_of(section, "Path")), value_of(section, "IsRelative") != "0",
                            value_of(section, "Default") == "1"});
    }
    return profiles;
}

}  // namespace

std::vector<FirefoxProfile> firefox_profiles(const std::string& firefox_folder,
                                             const std::string& local_firefox_folder) {
    std::string text;
    ignore_errors([&] {
        text = platform::current_machine().files().read_text(firefox_folder + "\\profiles.ini", kMostIniBytes);
    });
    if (text.starts_with(kByteOrderMark)) text.erase(0, kByteOrderMark.size());
    const IniDocument ini(std::move(text));
    const std::vector<Listed> listed = listed_profiles(ini);

    std::vector<const Listed*> order;
    for (const auto& section : ini.sections()) {
        if (!istarts_with(section.name, "Install")) continue;
        const std::string wanted = with_backslashes(value_of(section, "Default"));
        for (const auto& profile : listed)
            if (!wanted.empty() && platform::text::same_name(profile.path, wanted)) {
                order.push_back(&profile);
                break;
            }
    }
    for (const auto& profile : listed)
        if (profile.marked_default) order.push_back(&profile);
    for (const auto& profile : listed) order.push_back(&profile);

    std::vector<FirefoxProfile> found;
    for (const Listed* profile : order) {
        const auto resolved = resolve(*profile, firefox_folder, local_firefox_folder);
        if (!resolved || !platform::current_machine().files().is_directory(resolved->folder)) continue;
        const bool seen = std::any_of(found.begin(), found.end(), [&](const FirefoxProfile& earlier) {
            return platform::text::same_name(earlier.folder, resolved->folder);
        });
        if (!seen) found.push_back(*resolved);
    }
    return found;
}

}  // namespace engine
