#pragma once
// Writing demo traces into the current machine: registry values and files, with the folders
// they need.
#include <string>

#include "engine/foundation/records.h"
#include "engine/foundation/variant.h"

namespace app::demo {

void write_value(engine::ERegistryClassConstants root, const std::string& key, const std::string& name,
                 const engine::Variant& value, engine::ERegistryValueTypes type = engine::REG_SZ);
// Creates the missing folders of a Windows path and writes the file.
void write_demo_file(const std::string& path, const std::string& contents);
// A value of the user's Shell Folders; "" when the machine names none.
std::string profile_folder(const std::string& shell_folder);

}  // namespace app::demo
