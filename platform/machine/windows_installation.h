#pragma once
// A Windows installation as a machine: where its registry hives are, whose profiles it holds,
// and whether Windows left it in a state in which nothing on it may be changed.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry/registry.h"

namespace platform::machine_detail {

struct InstallationProfile {
    std::string name;                // the profile folder's name, which is the user's
    std::filesystem::path ntuser;    // its NTUSER.DAT
    std::filesystem::path usrclass;  // its UsrClass.dat; empty when it has none
};

// The profiles of people: folders of "Documents and Settings" or "Users" holding an NTUSER.DAT,
// without the ones Windows keeps for itself (Default User, All Users, Public, the services').
std::vector<InstallationProfile> installation_profiles(const std::filesystem::path& dir);

// The profile `user` names (its exact name, else the only one that differs only in case), or
// with no name the only profile there is; SeveralProfiles when no name was given and there are
// several to choose from, MachineError naming the profiles otherwise.
InstallationProfile chosen_profile(const std::filesystem::path& dir, const std::string& user);

// The hive files for that profile. MachineError when one is missing, is not a regular file or
// leads out of the installation (SAM and SECURITY are never looked at).
registry::WindowsHives installation_hives(const std::filesystem::path& dir, const InstallationProfile& profile);

// The SID the installation's profile list gives the profile's folder; a stand-in when it has none.
std::string profile_sid(const registry::Registry& registry, const std::string& profile_name);

// Where this computer keeps what the program writes for the installation at dir (its program
// folder: logs, backups, plug-ins), outside of it: one folder per installation, under the folder
// the sandbox machine lives in.
std::filesystem::path installation_data_folder(const std::filesystem::path& dir);

// Why nothing on the installation may be changed because Windows hibernated it ("" when it did
// not): its memory image would be written back over any change when it resumes.
std::string hibernation_reason(const std::filesystem::path& dir);

}  // namespace platform::machine_detail
