#include "engine/cleaners/trace_locations.h"

#include <vector>

#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/os.h"
#include "engine/tools/system.h"
#include "platform/fs/fs.h"
#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::to_lower;

namespace {

constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

std::string registry_text(ERegistryClassConstants root, const std::string& key, const std::string& name) {
    cRegistry reg;
    reg.ClassKey(root);
    reg.SectionKey(key);
    reg.ValueKey(name);
    return reg.Value().to_text();
}

std::string application_data_folder() { return registry_text(HKEY_CURRENT_USER, kShellFolders, "AppData"); }

std::string local_application_data_folder() { return registry_text(HKEY_CURRENT_USER, kShellFolders, "Local AppData"); }

std::string windows_drive() { return System().getWDirectory().substr(0, 2); }

bool machine_is_windows_xp() { return OS().OperatingSystem() == System_Windows_XP; }

std::vector<std::string> folder_names(const std::string& folder) {
    std::vector<platform::fs::FindData> entries;
    ignore_errors([&] { entries = platform::current_machine().files().find(folder + "\\*.*"); });
    std::vector<std::string> names;
    for (const auto& entry : entries)
        if ((entry.attributes & platform::fs::attr::Directory) && entry.name != "." && entry.name != "..")
            names.push_back(entry.name);
    return names;
}

std::string find_program_folder(std::string_view word) {
    std::string program_files = windows_drive() + "\\program files";
    for (const auto& name : folder_names(program_files))
        if (to_lower(name).find(word) != std::string::npos) return program_files + "\\" + name;
    return {};
}

std::string collapse_double_backslashes(std::string path) {
    for (size_t at; (at = path.find("\\\\")) != std::string::npos;) path.erase(at, 1);
    return path;
}

}  // namespace engine
