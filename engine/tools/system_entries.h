#pragma once
// The registry entries behind the startup and uninstall lists, one record each. The lists the
// screens receive are bar-joined texts, which cannot carry a name with a bar or tell a number from
// a text; the screens and the uninstaller start work from these records instead.
#include <string>
#include <vector>

#include "engine/foundation/records.h"
#include "engine/foundation/variant.h"

namespace engine {

struct StartupEntry {
    ERegistryClassConstants root;
    std::string key;  // the Run key that holds the value
    std::string name;
    Variant command;  // as stored: usually text, sometimes a number or bytes
};

struct InstalledProgram {
    std::string key;           // the program's subkey of the Uninstall key
    std::string display_name;  // never blank: programs without a name are left out
    std::string uninstall_command;  // as stored, quotes and switches included
};

// Every value of the startup locations, in the order they are read: the current user's Run key,
// then the machine's Run, RunOnce, RunOnceEx and RunServices keys.
std::vector<StartupEntry> startup_entries();
// The same for the two Run keys only (current user, then machine), where entries are removed.
std::vector<StartupEntry> run_key_entries();
// The installed programs with a display name, in the order of their subkeys.
std::vector<InstalledProgram> installed_programs();

}  // namespace engine
