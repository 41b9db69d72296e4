#pragma once
// The registry cleaner's backups: one REG_SZ value per repair under HKEY_CURRENT_USER
// "Software\lumarq2\Backups\Reg" (kept outside a Windows installation, as all the program's own
// keys are), named by the entry text the repair was given (the screen lists these names). Its data
// is the export text of what the repair removed; older versions wrote a single space there and
// nothing else.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine::regcleaner {

inline constexpr std::string_view kBackupKey = "Software\\lumarq2\\Backups\\Reg";
inline constexpr std::string_view kOldBackupData = " ";

// The stored text as written (never expanded); nullopt when there is no such backup.
std::optional<std::string> read_backup(const std::string& name);

// Writes the backup, creating the key, and reads it back: true only when the store now holds
// exactly `text`.
bool write_backup(const std::string& name, const std::string& text);

// Drops the backup once it has been put back.
void delete_backup(const std::string& name);

// The names of the backups, in the store's order.
std::vector<std::string> backup_names();

}  // namespace engine::regcleaner
