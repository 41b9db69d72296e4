#include "app/cli/uninstall.h"

#include <filesystem>
#include <string_view>

#include "engine/foundation/class_table.h"
#include "engine/foundation/registry_tree.h"
#include "engine/plugins/plugins.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace app::cli {

namespace {

using platform::registry::Root;

// The settings store's parent is made on the first setting; it goes when nothing else uses it.
constexpr std::string_view kSettingsParent = "Software\\VB and VBA Program Settings";

bool classes_registered(platform::registry::Registry& registry) {
    for (const engine::ClassInfo& info : engine::class_table())
        if (registry.key_exists(Root::ClassesRoot, info.prog_id)) return true;
    return false;
}

bool remove_user_keys(platform::Machine& machine) {
    auto& registry = machine.registry();
    bool removed = false;
    for (std::string_view key : platform::kOwnUserKeys) {
        if (!registry.key_exists(Root::CurrentUser, key)) continue;
        engine::delete_registry_tree(registry, Root::CurrentUser, key);
        removed = true;
    }
    // On a Windows installation the program's keys were kept outside it: the parent there is not ours.
    if (!machine.is_windows_installation() && registry.key_exists(Root::CurrentUser, kSettingsParent) &&
        registry.subkey_names(Root::CurrentUser, kSettingsParent).empty() &&
        registry.value_names(Root::CurrentUser, kSettingsParent).empty())
        registry.delete_key(Root::CurrentUser, kSettingsParent);
    return removed;
}

// Last, so that the keys are gone even when a file of the folder is kept (read-only, in use).
bool remove_program_folder(platform::Machine& machine) {
    const std::string folder = platform::kProgramFolder;
    auto& files = machine.files();
    if (!files.exists(folder)) return false;
    std::string reason = "some of its files are read-only";
    try {
        files.delete_tree(folder);
    } catch (const platform::fs::FsError& e) {
        reason = e.what();
    }
    if (files.exists(folder)) {
        const std::string where = files.to_host(folder).value_or(std::filesystem::path(folder)).string();
        throw platform::MachineError("The program folder " + where + " could not be removed completely (" + reason +
                                     "); the registry keys are gone. Remove what is left by hand.");
    }
    return true;
}

}  // namespace

std::string uninstall_program(platform::Machine& machine) {
    auto& registry = machine.registry();
    std::string done;
    auto tell = [&done](const std::string& what) { done += (done.empty() ? "" : ", ") + what; };

    if (classes_registered(registry)) {
        engine::DllUnregisterServer();
        tell("the registered engine classes");
    }
    if (remove_user_keys(machine)) tell("the settings, profiles and backups in the registry");
    if (engine::Plugins::shred_old_working_copy()) tell("the plain copy of the plug-in definitions");
    machine.flush();
    if (remove_program_folder(machine)) tell(std::string("the program folder ") + platform::kProgramFolder);

    const std::string dir = machine.dir().string();
    if (done.empty()) return "Tavrin is not installed on the machine " + dir + "; nothing to remove.";
    return "Removed Tavrin from the machine " + dir + ": " + done + ".";
}

}  // namespace app::cli
