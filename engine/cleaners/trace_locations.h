#pragma once
// Where the browsers and messengers keep their data: the facts their cleaners share - the
// user's application-data folder, the Windows drive and version, and the search of the
// "program files" folder for an application the registry does not name.
#include <string>
#include <string_view>
#include <vector>

#include "engine/foundation/records.h"

namespace engine {

// A registry value as text; "" when the key or value is missing.
std::string registry_text(ERegistryClassConstants root, const std::string& key, const std::string& name);

// HKEY_CURRENT_USER's Shell Folders "AppData"; "" when it is missing.
std::string application_data_folder();
// Its "Local AppData", where browsers keep what need not follow a roaming user (caches).
std::string local_application_data_folder();
// The first two characters of the Windows folder ("C:").
std::string windows_drive();
bool machine_is_windows_xp();

// The names of the subfolders of `folder` in listing order, without "." and ".."; none when it
// cannot be listed.
std::vector<std::string> folder_names(const std::string& folder);

// The first folder (in listing order) of "<Windows drive>\program files" whose lower-cased name
// contains `word`, as "<drive>\program files\<name>"; "" when there is none. A file whose name
// matches is passed over: a cleaner would otherwise build its paths below a file.
std::string find_program_folder(std::string_view word);

// `path` with every "\\" made single.
std::string collapse_double_backslashes(std::string path);

}  // namespace engine
