#include "platform/machine/windows_installation.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <set>

#include "platform/fs/installation_layout.h"
#include "platform/fs/path_within.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"
#include "platform/machine/registry_values.h"
#include "platform/machine/several_profiles.h"
#include "platform/text/ascii_case.h"
#include "platform/text/fnv1a.h"

namespace platform::machine_detail {
namespace stdfs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 8> kSystemProfiles = {"Default User", "Default", "All Users", "Public",
                                                             "LocalService", "NetworkService", "Default.migrated",
                                                             "systemprofile"};

bool is_system_profile(const std::string& name) {
    for (const std::string_view system : kSystemProfiles)
        if (text::iequals(name, system)) return true;
    return false;
}

// A hive file as the installation holds it: a regular file, no link, inside the installation.
stdfs::path checked_hive(const stdfs::path& dir, const std::optional<stdfs::path>& file, const std::string& what) {
    if (!file) throw MachineError(dir.string() + " has no " + what + ", so it cannot be opened as a Windows installation.");
    std::error_code error;
    const stdfs::file_status status = stdfs::symlink_status(*file, error);
    if (stdfs::is_symlink(status))
        throw MachineError(file->string() + " (" + what + ") is a link, not the installation's own file: refused.");
    if (!stdfs::is_regular_file(status))
        throw MachineError(file->string() + " (" + what + ") is not a file: refused.");
    const stdfs::path real = stdfs::canonical(*file, error);
    if (error || !fs::is_within(real, stdfs::canonical(dir, error)))
        throw MachineError(file->string() + " (" + what + ") leads out of the installation: refused.");
    return *file;
}

std::vector<std::string> profile_names(const std::vector<InstallationProfile>& profiles) {
    std::vector<std::string> names;
    for (const InstallationProfile& profile : profiles) names.push_back(profile.name);
    return names;
}

std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "none" : text;
}

}  // namespace

std::vector<InstallationProfile> installation_profiles(const stdfs::path& dir) {
    std::vector<InstallationProfile> profiles;
    std::set<stdfs::path> seen;
    for (const std::string_view parent : {"Documents and Settings", "Users"}) {
        const auto folder = fs::find_below(dir, {parent});
        std::error_code error;
        if (!folder || stdfs::is_symlink(stdfs::symlink_status(*folder, error))) continue;  // Vista's junction
        for (const auto& entry : stdfs::directory_iterator(*folder, error)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_symlink(error) || !entry.is_directory(error) || is_system_profile(name)) continue;
            const auto ntuser = fs::find_below(entry.path(), {"NTUSER.DAT"});
            if (!ntuser || !seen.insert(stdfs::canonical(entry.path(), error)).second) continue;
            InstallationProfile profile{name, *ntuser, {}};
            // Where Windows XP, and where later ones, keep the user's own classes.
            auto classes = fs::find_below(entry.path(), {"AppData", "Local", "Microsoft", "Windows", "UsrClass.dat"});
            if (!classes)
                classes = fs::find_below(entry.path(), {"Local Settings", "Application Data", "Microsoft", "Windows",
                                                        "UsrClass.dat"});
            if (classes) profile.usrclass = *classes;
            profiles.push_back(std::move(profile));
        }
    }
    std::sort(profiles.begin(), profiles.end(),
              [](const InstallationProfile& a, const InstallationProfile& b) { return a.name < b.name; });
    return profiles;
}

InstallationProfile chosen_profile(const stdfs::path& dir, const std::string& user) {
    const std::vector<InstallationProfile> profiles = installation_profiles(dir);
    if (user.empty()) {
        if (profiles.size() == 1) return profiles.front();
        const std::string installation = "The Windows installation at " + dir.string();
        if (profiles.empty()) throw MachineError(installation + " holds no user profile to open.");
        const std::vector<std::string> names = profile_names(profiles);
        throw SeveralProfiles(installation + " holds several user profiles; name one with --user: " + listed(names) + ".",
                              names);
    }
    for (const InstallationProfile& profile : profiles)
        if (profile.name == user) return profile;
    std::vector<InstallationProfile> alike;
    for (const InstallationProfile& profile : profiles)
        if (text::iequals(profile.name, user)) alike.push_back(profile);
    if (alike.size() == 1) return alike.front();
    throw MachineError("The Windows installation at " + dir.string() + " has " +
                       (alike.empty() ? "no user profile named " + user : "several user profiles named " + user +
                                                                              " in different case") +
                       "; its profiles: " + listed(profile_names(profiles)) + ".");
}

registry::WindowsHives installation_hives(const stdfs::path& dir, const InstallationProfile& profile) {
    const auto config = [&](std::string_view name) {
        return checked_hive(dir, fs::find_below(dir, {"WINDOWS", "system32", "config", name}),
                            "WINDOWS\\system32\\config\\" + std::string(name));
    };
    registry::WindowsHives hives;
    hives.software = config("SOFTWARE");
    hives.system = config("SYSTEM");
    hives.default_user = config("DEFAULT");
    hives.user = checked_hive(dir, profile.ntuser, profile.name + "'s NTUSER.DAT");
    if (!profile.usrclass.empty()) hives.user_classes = checked_hive(dir, profile.usrclass, profile.name + "'s UsrClass.dat");
    return hives;
}

std::string profile_sid(const registry::Registry& registry, const std::string& profile_name) {
    constexpr std::string_view kProfileList = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    for (const std::string& sid : registry.subkey_names(registry::Root::LocalMachine, kProfileList)) {
        const auto path = read_string(registry, registry::Root::LocalMachine, std::string(kProfileList) + "\\" + sid,
                                      "ProfileImagePath");
        if (!path) continue;
        const std::string_view folder = std::string_view(*path).substr(path->find_last_of('\\') + 1);
        if (text::iequals(folder, profile_name)) return sid;
    }
    // A profile the list does not name (a copied folder, a list cleaned by hand): a SID of the
    // form Windows gives local users, so that HKEY_USERS has a key for it.
    return "S-1-5-21-0-0-0-1000";
}

stdfs::path installation_data_folder(const stdfs::path& dir) {
    std::error_code error;
    const std::string real = stdfs::weakly_canonical(dir, error).string();
    const std::string leaf = stdfs::path(real).filename().string();
    // The hash keeps two installations of one name apart.
    return Machine::default_sandbox_dir().parent_path() / "installations" /
           ((leaf.empty() ? "root" : leaf) + "-" + text::fnv1a_hex(real));
}

std::string hibernation_reason(const stdfs::path& dir) {
    const auto file = fs::find_below(dir, {"hiberfil.sys"});
    if (!file) return {};
    char signature[4] = {};
    std::ifstream(*file, std::ios::binary).read(signature, sizeof signature);
    const std::string_view seen(signature, sizeof signature);
    // "hibr" (or "HIBR" from Windows 8 on) while the image waits to be resumed, "rstr" while it is
    // being resumed; "wake" or zeros once Windows has started from it.
    if (!text::iequals(seen, "hibr") && !text::iequals(seen, "rstr")) return {};
    return "Windows on " + dir.string() +
           " is hibernated (its hiberfil.sys holds the memory it will resume with, and would undo any change made "
           "now). Start that Windows and shut it down fully, with Fast Startup turned off (Power Options, \"Choose "
           "what the power buttons do\"), then open it here again. Until then it is only read.";
}

}  // namespace platform::machine_detail
