#pragma once
// Why the scans called an entry invalid, told the way a person reads it: the key or value, what it
// points at, and which file is missing. Read again from the registry when asked, so the scans keep
// handing out the entry text alone.
#include <optional>
#include <string>

#include "engine/regcleaner/registry_entry.h"

namespace engine::regcleaner {

enum class InvalidBecause {
    SharedFileMissing,   // a SharedDlls value names a file that is gone
    UninstallerMissing,  // an Uninstall key's UninstallString starts a program that is gone
    NoUninstaller,       // an Uninstall key names no uninstaller at all
    ProgramMissing,      // an App Paths key names a program that is gone
    RecentFileMissing,   // a recent-file list of the open and save dialogs names a file that is gone
};

struct EntryReason {
    InvalidBecause because;
    std::string target;  // the missing file ("" for NoUninstaller)
};

// The reason of an entry the scans make; nullopt for one that no longer names an existing key.
std::optional<EntryReason> reason_for(const RegistryEntry& entry);

// "HKEY_LOCAL_MACHINE\...\Uninstall\Game", or for a value "...\SharedDlls: C:\x.dll = 1".
std::string readable_entry(const RegistryEntry& entry);

// The program an uninstall command starts: quotes dropped, and switches ("/S") cut off.
std::string uninstall_program(const std::string& command);
std::string without_quotes(std::string text);

}  // namespace engine::regcleaner
